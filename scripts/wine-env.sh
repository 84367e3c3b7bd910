# Sourced by the run and test scripts: one Wine prefix under the build folder, created once and
# reused, on its own Xvfb display, with everything started here stopped again on exit.
# Defines wine_env_start; the caller's EXIT trap must call wine_env_stop.

: "${TAVREL_ROOT:?}"
export WINEPREFIX="${WINEPREFIX:-$TAVREL_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
wine_env_xvfb_pid=""

wine_env_start() {
  if [ -z "${DISPLAY:-}" ] || [ "${TAVREL_OWN_DISPLAY:-1}" = 1 ]; then
    local n
    for n in $(seq 90 140); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    wine_env_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  local fresh=0
  [ -f "$WINEPREFIX/system.reg" ] || { fresh=1; mkdir -p "$WINEPREFIX"; }
  wineserver -p </dev/null >/dev/null 2>&1
  if [ "$fresh" = 1 ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x800 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /d 'DejaVu Sans' /f >/dev/null 2>&1
    # A crashing test process must end, not wait in the crash dialog until ctest's timeout.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  fi
  # The editor font. Noto Sans Mono has the precomposed Vietnamese letters that DejaVu Sans Mono
  # lacks; a prefix made before it was chosen is brought up to date here.
  grep -qF '"Cascadia Mono"="Noto Sans Mono"' "$WINEPREFIX/user.reg" 2>/dev/null ||
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Cascadia Mono' /d 'Noto Sans Mono' /f >/dev/null 2>&1
  # Start the prefix's services and desktop now, detached from any test's output: a service
  # started by the first test process would inherit its output pipe and keep ctest waiting.
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$wine_env_xvfb_pid" ]; then
    kill "$wine_env_xvfb_pid" 2>/dev/null || true
    wait "$wine_env_xvfb_pid" 2>/dev/null || true
  fi
}
