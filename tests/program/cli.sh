#!/usr/bin/env bash
# The command line of the programs: --help and --version print and exit 0 without a
# display; Qt's own options are taken; an unknown option or a second file is a usage
# error (status 2) that opens no window; no display is a one-line error and status 1, never an abort.
#
# usage: cli.sh QUENDLESTOREEDIT MAKEIMAGE VERSION
set -uo pipefail
editor="$1"
makeimage="$2"
version="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# matches REGEX FILE: FILE has a line matching REGEX; an empty REGEX: FILE is empty.
matches() {
    if [ -z "$1" ]; then [ ! -s "$2" ]; else grep -qE "$1" "$2"; fi
}

# expect NAME STATUS STDOUT-REGEX STDERR-REGEX COMMAND...: runs COMMAND without a
# display and checks its status, its output and that stderr is at most one line
# (plus a "Try" hint for usage errors).
expect() {
    local name="$1" status="$2" out="$3" err="$4"
    shift 4
    (cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@") \
        >"$work/out" 2>"$work/err"
    local got=$?
    local problems=()
    [ "$got" -eq "$status" ] || problems+=("status $got, expected $status")
    matches "$out" "$work/out" || problems+=("stdout does not match /$out/: $(head -c 300 "$work/out")")
    matches "$err" "$work/err" || problems+=("stderr does not match /$err/: $(head -c 300 "$work/err")")
    [ "$(grep -vc '^Try ' "$work/err")" -le 1 ] || problems+=("stderr has more than one line")
    if [ ${#problems[@]} -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name: ${problems[*]}"
    fi
}

expect "editor --help" 0 '^Usage: QuendleStoreEdit \[OPTION\] \[FILE\]' '' "$editor" --help
expect "editor -h" 0 '^Usage: QuendleStoreEdit' '' "$editor" -h
expect "editor --version" 0 "^QuendleStoreEdit $version\$" '' "$editor" --version
expect "editor unknown option" 2 '' "^QuendleStoreEdit: unknown option '--bogus'" "$editor" --bogus
expect "editor two files" 2 '' '^QuendleStoreEdit: more than one file' "$editor" a.smc b.smc
# Qt's own options are Qt's: taken (so no usage error), and not taken for files.
expect "editor takes Qt's options" 1 '' '^QuendleStoreEdit: no display' \
    "$editor" -style Fusion -reverse --platform=xcb -qwindowtitle "a title" rom.smc
expect "editor with Qt's options and --version" 0 "^QuendleStoreEdit $version\$" '' \
    "$editor" -style=Fusion --version
expect "editor: a Qt option's value is no file" 2 '' '^QuendleStoreEdit: more than one file' \
    "$editor" -style Fusion a.smc b.smc
expect "editor without a display" 1 '' '^QuendleStoreEdit: no display' "$editor"
expect "editor with a display that is not there" 1 '' \
    '^QuendleStoreEdit: cannot connect to the display ":4711"' env DISPLAY=:4711 "$editor"
expect "makeimage --help" 0 '^Usage: makeimage' '' "$makeimage" --help
expect "makeimage unknown option" 2 '' "^makeimage: unknown option '--bogus'" "$makeimage" --bogus
expect "makeimage without a path" 2 '' '^makeimage: no path given' "$makeimage"
[ ! -e "$work/--help" ] || { failed=$((failed + 1)); echo "FAIL makeimage wrote a file named --help"; }

echo "cli: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
