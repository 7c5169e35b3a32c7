#!/usr/bin/env bash
# Sets the machine up, builds every configuration and runs every test suite.
# Exits non-zero when anything fails. Usage: scripts/test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh || { echo "set-up failed"; exit 1; }
. scripts/wine-env.sh

# Tests pin locale and time zone; the ones about them set their own.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC

status=0
summary=()

step() { echo; echo "=== $*"; }

# limited NAME SECONDS COMMAND...: runs a suite under a limit well above its
# usual time (three times or more what it takes on a busy 2-core machine), so
# that even a hang nobody foresaw ends the suite, with a line naming it.
# The limit ends the suite's whole process group; Wine servers run apart
# from it and are ended for the project's prefixes.
limited() {
  local name=$1 limit=$2 rc
  shift 2
  timeout --kill-after=20 "$limit" "$@"
  rc=$?
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "suite $name stopped: still running after its limit of $limit s"
    local prefix
    for prefix in "$WINEPREFIX" "$root/out/wineprefix-$QUILLON_WINE_ARCH-dpi144"; do
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
    done
  fi
  return "$rc"
}

# suite NAME SECONDS SCRIPT [ARGS...]: runs a script suite that ends with its
# line "NAME: N checks passed, M failed"; the closing total counts that line.
script_suites=()
suite() {
  local name=$1 limit=$2 log=out/$1.log
  shift 2
  limited "$name" "$limit" bash "$@" 2>&1 | tee "$log" | tail -n 30
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summary+=("$(grep -E "^$name:|^suite $name stopped" "$log" | tail -n 1)")
  script_suites+=("$name")
}

mkdir -p out
step "include layers"
suite layers 300 tests/scripts/check_layers_test.sh

step "native build (sanitizers)"
cmake --preset native >/dev/null && cmake --build --preset native || exit 1

step "native tests"
limited native-ctest 2400 ctest --test-dir out/native --output-on-failure -j2 2>&1 | tee out/native-ctest.log | tail -n 30
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || status=1
summary+=("native:  $(grep -E 'tests passed|tests failed|^suite native-ctest stopped' out/native-ctest.log | tail -n 1)")

# The product is the 32-bit program: it is always built. Its tests run under
# wine32 where the host can execute 32-bit code, else the x86-64 build of the
# same sources runs them under wine64.
step "win32 build"
cmake --preset win32 >/dev/null && cmake --build --preset win32 || exit 1
if [ "$QUILLON_WINE_ARCH" = win64 ]; then
  step "win64 build (this host cannot run 32-bit code)"
  cmake --preset win64 >/dev/null && cmake --build --preset win64 || exit 1
fi
winout=out/$QUILLON_WINE_ARCH

step "help file"
suite help 300 tests/help/check_help.sh out/win32/src/Quillon.chm

step "Windows tests under Wine ($QUILLON_WINE_ARCH)"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
limited wine-ctest 3000 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  "$QUILLON_WINE" '"$winout"'/tests/wineprime.exe </dev/null >/dev/null 2>&1
  ctest --test-dir '"$winout"' --output-on-failure -j2
  rc=$?
  wineserver -k
  exit $rc' 2>&1 | tee out/wine-ctest.log | tail -n 30
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] || status=1
summary+=("wine:    $(grep -E 'tests passed|tests failed|^suite wine-ctest stopped' out/wine-ctest.log | tail -n 1)")

step "end-to-end tests (quillon-cli on real images)"
suite e2e 900 tests/cli/e2e.sh

step "desktop end-to-end test (Quillon.exe under Xvfb, drops through XDND)"
suite desktop-e2e 1200 tests/app/desktop_e2e.sh

step "windows at 144 DPI (a prefix of their own)"
suite dpi 600 tests/app/high_dpi.sh

step "release archive and installer (run under Wine)"
suite package 900 tests/scripts/package_test.sh

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
# One closing line over every suite: ctest's "N tests failed out of M" and
# the script suites' "N checks passed, M failed".
passed=0 failed=0
for log in out/native-ctest.log out/wine-ctest.log; do
  line=$(grep -E 'tests failed out of' "$log" | tail -n 1)
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* tests failed out of ([0-9]+).*/\1/' <<<"$line")
  [[ "$f" =~ ^[0-9]+$ && "$t" =~ ^[0-9]+$ ]] || { f=1; t=1; }
  passed=$((passed + t - f)) failed=$((failed + f))
done
for name in "${script_suites[@]}"; do
  line=$(grep -E "^$name:" "out/$name.log" | tail -n 1)
  if [[ "$line" =~ ([0-9]+)\ checks\ passed,\ ([0-9]+)\ failed ]]; then
    passed=$((passed + BASH_REMATCH[1])) failed=$((failed + BASH_REMATCH[2]))
  else
    failed=$((failed + 1))
  fi
done
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "total: $passed passed, $failed failed"
exit $status
