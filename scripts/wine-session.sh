# Sourced by the test and run scripts: a display and one long-lived wineserver for the prefix
# in $WINEPREFIX. Wine's first start in a prefix is slow and its background services keep
# whatever output they were started with, so they are started here with none.
wine_session_start() {
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  if [ -z "${DISPLAY:-}" ] || [ "${VELMORA_OWN_DISPLAY:-0}" = 1 ]; then
    local number=$(( 90 + RANDOM % 400 ))
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
    Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    VELMORA_XVFB_PID=$!
    export DISPLAY=":$number"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
  fi
  wineserver -p
  wine wineboot -u </dev/null >/dev/null 2>&1 || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${VELMORA_XVFB_PID:-}" ]; then kill "$VELMORA_XVFB_PID" 2>/dev/null || true; fi
}
