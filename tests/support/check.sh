# Counting checks for the test scripts. Sourced, not run.
#   check NAME COMMAND...: runs COMMAND; counts it passed, or failed (printing NAME
#   and the first lines of what it said); report LABEL prints the counts and gives
#   the scripts' status.
passed=0 failed=0
check_log="$(mktemp)"
trap 'rm -f "$check_log"' EXIT
check() {
    local name="$1"
    shift
    if "$@" >"$check_log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name"
        sed 's/^/    /' "$check_log" | head -40
    fi
}
report() {
    echo "$1: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
