#!/usr/bin/env bash
# Makes the setup program (build-win64/, CPack NSIS) and checks it under Wine
# in a fresh prefix, as a user would meet it:
#   1. silent install (/S): the files are the zip's plus the uninstaller, the
#      program carries its version resource, the Start menu shortcut is there,
#      .usr is registered (wine reg query) with the program's command and icon,
#      and the uninstaller is listed with its version and publisher;
#   2. a project in a folder with a blank in its name, opened through its
#      registration (as a double click does): the window's caption names it;
#      then "-debug" and a missing file with a blank in its name: Open's error
#      box over the window with its empty project;
#   3. silent uninstall: files, shortcut and registration are gone, and the
#      user's project file is still there.
# Needs a configured build-win64/ (scripts/cross-windows.sh makes it). The
# prefix is a copy of a pristine one made once (build-win64/wine-setup-pristine),
# so each run starts with nothing installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/xvfb-display.sh
. "$root/scripts/xvfb-display.sh"
build=$root/build-win64
limit=${TESRA_WINDOW_TIMEOUT:-60}

# nsis: makensis; xvfb and xdotool: the display the caption is read from.
"$root/scripts/setup.sh" --with nsis wine wine64 xvfb xdotool

[ -f "$build/CMakeCache.txt" ] || { echo "no build-win64/: run scripts/cross-windows.sh first" >&2; exit 1; }
cmake --build "$build" -j"${TESRA_JOBS:-2}" --target tesraconfig >/dev/null
start_s=$(date +%s)
(cd "$build" && cpack -G NSIS >"$build/cpack-nsis.log" 2>&1) || { cat "$build/cpack-nsis.log" >&2; exit 1; }
(cd "$build" && cpack -G ZIP >/dev/null)
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
setup=$build/$name-setup.exe
zip=$build/$name.zip
[ -f "$setup" ] || { echo "cpack made no $setup" >&2; exit 1; }
made_s=$(date +%s)

run=$(mktemp -d "${TMPDIR:-/tmp}/tesra-winsetup.XXXXXX")
xvfb_pid=
app_pid=
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no menu entries or file types for this
# machine's own desktop from the shortcuts and registration made inside Wine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WINEPATH
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

pristine=$build/wine-setup-pristine
if [ ! -f "$pristine/.complete" ]; then
  echo "== Wine prefix for the setup check (build-win64/wine-setup-pristine), made once"
  rm -rf "$pristine"
  WINEPREFIX=$pristine timeout 300 wineboot -i >"$run/wineboot.log" 2>&1 || { cat "$run/wineboot.log" >&2; exit 1; }
  WINEPREFIX=$pristine wineserver -w
  touch "$pristine/.complete"
fi
export WINEPREFIX=$run/prefix
cp -a "$pristine" "$WINEPREFIX"

failures=0
check() {  # check DESCRIPTION COMMAND...: one line per check
  if "${@:2}"; then
    echo "  ok    $1"
  else
    echo "  FAIL  $1"
    failures=$((failures + 1))
  fi
}
# The registry as Wine's reg prints it: its text converted to UTF-8.
reg_value() {  # reg_value KEY [VALUE]: the data of a value, the default one without VALUE
  local out
  if [ $# -eq 2 ]; then
    out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1
  else
    out=$(wine reg query "$1" /ve 2>/dev/null) || return 1
  fi
  printf '%s\n' "$out" | tr -d '\r' | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -1
}
# A key's default value as a .reg export holds it (UTF-16): reg query prints
# through the console's code page, which has no Cyrillic here.
reg_default_text() {
  wine reg export "$1" 'C:\windows\temp\key.reg' /y >/dev/null 2>&1 || return 1
  iconv -f UTF-16 -t UTF-8 "$(winepath -u 'C:\windows\temp\key.reg' 2>/dev/null)" | tr -d '\r' |
    sed -n '/^\[/{n;s/^@="\(.*\)"$/\1/p;q}'
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
no_key() { ! has_key "$1"; }
equals() { [ "$1" = "$2" ] || { echo "        got \"$1\", expected \"$2\""; return 1; }; }

win_path() { winepath -w "$1" 2>/dev/null; }
program_files=$(winepath -u 'C:\Program Files' 2>/dev/null)
folder=$program_files/TesraConfig
folder_w='C:\Program Files\TesraConfig'
menu=$(winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs' 2>/dev/null)/TesraConfig
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TesraConfig Setup'

# The zip's files, which the setup must install, and the uninstaller beside them.
mkdir "$run/zip"
(cd "$run/zip" && cmake -E tar xf "$zip")
expected=$( (cd "$run/zip/$name" && find . -type f; echo ./Uninstall.exe) | sort)

echo "== install: $name-setup.exe /S in a fresh prefix"
wine "$setup" /S </dev/null >"$run/setup.log" 2>&1
wineserver -w
installed=$( (cd "$folder" 2>/dev/null && find . -type f | sort) || true)
check "the files are the zip's and the uninstaller (in $folder_w)" equals "$installed" "$expected"
# The version resource, as the properties page reads it: each name is followed by its value.
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
resource_value() { strings -el "$folder/tesraconfig.exe" 2>/dev/null | grep -A1 -x "$1" | sed -n 2p; }
check "FileVersion and ProductVersion $version" equals "$(resource_value FileVersion) $(resource_value ProductVersion)" "$version $version"
check "ProductName and CompanyName" equals "$(resource_value ProductName), $(resource_value CompanyName)" "TesraConfig, TesraConfig"
check "Start menu shortcut TesraConfig\\TesraConfig.lnk" test -f "$menu/TesraConfig.lnk"
check "no desktop shortcut unless ticked" test ! -e "$(winepath -u 'C:\users\Public\Desktop' 2>/dev/null)/TesraConfig.lnk"
check ".usr is a TesraConfig project" equals "$(reg_value 'HKCR\.usr')" "TesraConfig.Project"
check "its type name" equals "$(reg_default_text 'HKCR\TesraConfig.Project')" "Проект конфигурации TesraConfig"
check "its command" equals "$(reg_value 'HKCR\TesraConfig.Project\shell\open\command')" "\"$folder_w\\tesraconfig.exe\" \"%1\""
check "its icon" equals "$(reg_value 'HKCR\TesraConfig.Project\DefaultIcon')" "$folder_w\\tesraconfig.exe,0"
check "listed with its version" equals "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
check "listed with its publisher" equals "$(reg_value "$uninstall_key" Publisher)" "TesraConfig"

# A project of the user's, in a folder whose name has a blank, as Explorer hands it over.
home=$(winepath -u 'C:\users' 2>/dev/null)/$(id -un)
projects="$home/My projects"
mkdir -p "$projects"
cp "$root/docs/example.usr" "$projects/site one.usr"
[ -f "$root/docs/example.ini" ] && cp "$root/docs/example.ini" "$projects/site one.ini"

echo "== the project opened through its registration (wine start, as a double click)"
start_display "$run"
# Waits until a window whose name matches $1 is mapped (the time limit at most);
# otherwise lists the windows there are.
await_window() {
  local t0
  t0=$(date +%s)
  until xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    if (($(date +%s) - t0 > limit)); then
      echo "        windows mapped:"
      xdotool search --onlyvisible --name '.' getwindowname %@ 2>/dev/null | sed 's/^/          /'
      return 1
    fi
    sleep 0.05
  done
}
# Ends the program as Wine ends a session; nothing was changed, so nothing is asked.
end_program() {
  wineserver -k 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

# The caption names the project by its whole path, as Открыть does.
caption="Конфигурация - C:/users/$(id -un)/My projects/site one"
wine start /unix "$projects/site one.usr" </dev/null >"$run/app.log" 2>&1 &
app_pid=$!
check "the window captioned \"$caption\" is mapped" await_window "^$caption\$"
end_program

echo "== -debug and a file that is not there, with a blank in its name"
wine "$folder/tesraconfig.exe" -debug 'C:\users\'"$(id -un)"'\My projects\gone one.usr' </dev/null >"$run/app.log" 2>&1 &
app_pid=$!
check "Open's error box" await_window '^TesraConfig$'
check "over the window with its empty project" await_window '^Конфигурация$'
end_program

# What the program keeps of its own: backups under the application data and
# settings in the user's registry, under the publisher's name.
backups=$home/AppData/Roaming/TesraConfig/backups
mkdir -p "$backups"
cp "$projects/site one.usr" "$backups/20260101-120000-COM1.usr"
wine reg add 'HKCU\Software\TesraConfig\TesraConfig' /v recent /d 'C:\site one.usr' /f >/dev/null 2>&1

echo "== uninstall: Uninstall.exe /S"
wine "$folder/Uninstall.exe" /S </dev/null >"$run/uninstall.log" 2>&1
# The uninstaller runs from a copy of itself in the temporary folder: wait for it.
wineserver -w
check "the program's folder is gone" test ! -e "$folder"
check "the Start menu shortcut is gone" test ! -e "$menu"
check ".usr is no longer registered" no_key 'HKCR\.usr'
check "the file type is gone" no_key 'HKCR\TesraConfig.Project'
check "the installed-programs entry is gone" no_key "$uninstall_key"
check "the user's project file stays" test -f "$projects/site one.usr"
check "the backups stay" test -f "$backups/20260101-120000-COM1.usr"
check "the program's settings stay" has_key 'HKCU\Software\TesraConfig\TesraConfig'

echo "windows-setup-check: $name-setup.exe, $(stat -c %s "$setup") bytes; made in $((made_s - start_s)) s," \
  "checked under Wine in $(($(date +%s) - made_s)) s; $failures failed"
[ "$failures" -eq 0 ]
