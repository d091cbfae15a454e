#!/bin/sh
# Arrows point one way: a folder includes only itself, the folders of its own row and
# the rows below it. From the bottom:
#   serial < config < controls < editor < link project report plan diag < cli < app
# tools/, tests/, bench/ and fuzz/ stand outside the rows and may include any of them.
# Usage: scripts/check-layers.sh [ROOT]. Prints every include that points up; exit 1 if any.
cd "${1:-$(dirname "$0")/..}" || exit 2
[ -d serial ] && [ -d config ] && [ -d app ] || { echo "check-layers: $(pwd) is not the source root" >&2; exit 2; }
status=0
# rule "FOLDERS OF A ROW" "FOLDERS ABOVE IT": one grep of the includes per row.
rule() {
  hits=$(for d in $1; do [ -d "$d" ] && grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[\"<]($2)/" "$d"; done)
  [ -z "$hits" ] && return
  echo "$1 include a folder above them ($2):"; echo "$hits"; status=1
}
rule "serial"                         "config|controls|editor|link|project|report|plan|diag|cli|app"
rule "config"                         "controls|editor|link|project|report|plan|diag|cli|app"
rule "controls"                       "editor|link|project|report|plan|diag|cli|app"
rule "editor"                         "link|project|report|plan|diag|cli|app"
rule "link project report plan diag"  "cli|app"
rule "cli"                            "app"
# A new folder of sources has no row yet: it must be given one here.
for d in */; do
  d=${d%/}
  case " serial config controls editor link project report plan diag cli app tools tests bench fuzz docs cmake scripts build " in
    *" $d "*) continue ;;
  esac
  case "$d" in build*) continue ;; esac
  if find "$d" -name '*.cpp' -o -name '*.h' | grep -q .; then
    echo "$d/ holds sources but has no row in scripts/check-layers.sh"; status=1
  fi
done
[ $status -eq 0 ] && echo "check-layers: every include points down or across its own row"
exit $status
