# Sourced by wine-run and test: the environment every Wine process of ours
# shares, and the one-time preparation of the prefix.
#
# Wine takes its ANSI code page from the locale, and the locale must really
# exist or Cyrillic file names silently break: it is compiled privately.

velkarin_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
velkarin_wine_root=${VELKARIN_WINE_ROOT:-$velkarin_repo/build/wine}
mkdir -p "$velkarin_wine_root"

export WINEPREFIX="$velkarin_wine_root/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko install prompts while the prefix is created.
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="$velkarin_wine_root/locale"
if [ ! -e "$LOCPATH/ru_RU.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$LOCPATH"
  localedef -i ru_RU -f UTF-8 "$LOCPATH/ru_RU.UTF-8.tmp$$" 2>/dev/null || true
  mv -T "$LOCPATH/ru_RU.UTF-8.tmp$$" "$LOCPATH/ru_RU.UTF-8" 2>/dev/null || rm -rf "$LOCPATH/ru_RU.UTF-8.tmp$$"
fi
# Bash itself cannot see LOCPATH and may warn; the Wine processes can.
export LC_ALL=ru_RU.UTF-8 2>/dev/null
unset LANGUAGE

velkarin_prepare_wine() {
  (
    flock 9
    if [ ! -e "$WINEPREFIX/.velkarin-ready" ]; then
      wineboot -i >/dev/null 2>&1 || true
      # Without a window manager Wine waits about 2 s before showing a box.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      # A crash must end the test, not wait on a dialog.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.velkarin-ready"
    fi
  ) 9>"$velkarin_wine_root/.lock"
}

# Starts one persistent wineserver, Wine's own services and the desktop
# process with their output going nowhere. Started later, they would inherit
# the standard handles of whatever program started them and keep them open
# for ever: a test's output pipe (its reader then waits for ever) or the
# program's redirected error log (which can then not be deleted).
velkarin_start_wine_server() {
  velkarin_prepare_wine
  wineserver -p 2>/dev/null || true  # one may be running already
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
  local desktop_tool="$velkarin_repo/build/win/bin/answer_box.exe"
  if [ -e "$desktop_tool" ]; then
    wine "$desktop_tool" --start-desktop </dev/null >/dev/null 2>&1 || true
  fi
}

# The same, after ending any server of this prefix left from an earlier
# run (its desktop process would belong to another display).
velkarin_restart_wine_server() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  velkarin_start_wine_server
}
