# Sourced by the suites that scripts/test runs (tests/suites/*.sh): each
# check counts as one test.
#   check_pass TEXT   prints "ok   TEXT"
#   check_fail TEXT   prints "FAIL TEXT"
#   check_summary     prints the time the suite took and, as its last line,
#                     "N passed, N failed"; returns 0 when no check failed and
#                     at least one passed
checks_passed=0
checks_failed=0
checks_started=$SECONDS

check_pass() { checks_passed=$((checks_passed + 1)); echo "ok   $*"; }
check_fail() { checks_failed=$((checks_failed + 1)); echo "FAIL $*"; }

check_summary() {
  echo "($((SECONDS - checks_started)) s)"
  echo "$checks_passed passed, $checks_failed failed"
  [ "$checks_failed" -eq 0 ] && [ "$checks_passed" -gt 0 ]
}
