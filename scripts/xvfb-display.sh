# Sourced by the Windows scripts: start_display DIR starts an Xvfb of its own
# (it picks a free number and writes it to DIR/display), sets xvfb_pid for the
# caller's clean-up and exports DISPLAY; it exits when the server does not come up.
start_display() {
  local dir=$1 tries
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
  xvfb_pid=$!
  for ((tries = 200; tries > 0; tries--)); do
    grep -q '^[0-9]' "$dir/display" 2>/dev/null && break
    kill -0 "$xvfb_pid" 2>/dev/null || tries=1
    sleep 0.1
  done
  grep -q '^[0-9]' "$dir/display" || { echo "Xvfb did not start:" >&2; cat "$dir/xvfb.log" >&2; exit 1; }
  export DISPLAY=:$(head -1 "$dir/display")
}
