# shellcheck shell=bash disable=SC2154
# Helpers of the desktop benchmarks' drivers, sourced inside xvfb-run with
# root, build and title set. Every X tool call has a limit.
winpath() { local p; p=$(cd "$1" && pwd); printf 'Z:%s' "${p//\//\\}"; }
# program_copy DIR EXE [SETTINGS]: a private copy of the program with its own
# settings file beside it (window placed, no confirmations) plus SETTINGS,
# lines in the file's own form ('Key = value\r\n').
program_copy() {
  mkdir -p "$1"
  cp "$root/$build/src/$2" "$1/"
  # shellcheck disable=SC2059 # SETTINGS carries printf's escapes
  printf '\xef\xbb\xbf\r\n[General]\r\nRememberWinPos = 1\r\nX = 20\r\nY = 20\r\nW = 640\r\nH = 480\r\nConfirmations = 0\r\n'"${3:-}" >"$1/Quillon.ini"
}
# geometry ID: "x y width height" of an X window.
geometry() {
  # guard: an empty id would make xwininfo wait for a mouse click
  [[ "${1:-}" =~ ^[0-9]+$ ]] || return 1
  timeout 10 xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                           /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
# main_window: the program's main window (the title's window at least 600
# wide, not a dialog of the same title), waited for up to 30 s.
main_window() {
  local w g
  for _ in $(seq 300); do
    for w in $(timeout 10 xdotool search --onlyvisible --name "^$title\$" 2>/dev/null); do
      read -r _ _ g _ <<<"$(geometry "$w")"
      [ "${g:-0}" -ge 600 ] && { echo "$w"; return; }
    done
    sleep 0.1
  done
}
