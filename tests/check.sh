# shellcheck shell=bash
# The checks of the script-driven tests: one line per check, "ok" or "FAIL", and the counts for
# the summary line.
passed=0
failed=0
DETAIL=""

# check "<what>" <command...>: runs the command, which polls as long as it needs to; a failing
# command may leave what it saw in DETAIL.
check()
{
    local what=$1
    shift
    DETAIL=""
    if "$@"; then
        echo "ok   - $what"
        passed=$((passed + 1))
    else
        echo "FAIL - $what${DETAIL:+ [$DETAIL]}"
        failed=$((failed + 1))
    fi
}
