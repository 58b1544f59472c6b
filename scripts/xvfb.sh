# Sourced by the scripts: starts a private Xvfb (1280x1024x24) on a display
# number the server picks itself (so runs side by side never collide),
# exports DISPLAY and stops it when the script exits.
start_xvfb() {
  local numfile n=""
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$numfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
  for _ in $(seq 1 100); do
    [ -n "$n" ] || n=$(tr -d '[:space:]' <"$numfile")
    if [ -n "$n" ]; then
      export DISPLAY=":$n"
      if xdpyinfo >/dev/null 2>&1; then
        rm -f "$numfile"
        return 0
      fi
    fi
    sleep 0.1
  done
  rm -f "$numfile"
  echo "could not start Xvfb" >&2
  return 1
}
