# Sourced by the shell test scripts: counted checks grouped by name. Each
# script ends with its own "NAME: N checks passed, M failed" line from
# $passed and $failed, which scripts/test.sh adds to its closing total.
passed=0
failed=0
current=""
group() { current=$1; }
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL [$current] $*"; }
check() {  # check "what" command...
  local what=$1
  shift
  if "$@"; then ok; else fail "$what"; fi
}
expect_eq() {  # expect_eq "what" expected actual
  if [ "$2" == "$3" ]; then ok; else fail "$1: expected [$2], got [$3]"; fi
}
contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }
