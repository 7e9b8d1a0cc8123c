#!/usr/bin/env bash
# quendle-stores' bash completion, run in a non-interactive bash: what it offers
# after the program's name, after an option's dash, and for each kind of operand.
#
# usage: completion.sh COMPLETION_FILE
set -uo pipefail
completion="$(realpath "$1")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
touch rom.smc other.smc plain.sfc stores.txt my.bps my.ips notes.md
mkdir folder
passed=0 failed=0

# offers EXPECTED WORD...: the sorted offers for the command line quendle-stores
# WORD... (the last WORD the one being completed, "" for a new one) are EXPECTED.
offers() {
    local expected="$1" got
    shift
    got="$(bash --norc --noprofile -c '
        source "$1"; shift
        COMP_WORDS=(quendle-stores "$@"); COMP_CWORD=$#
        _quendle_stores
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$completion" "$@")"
    if [ "$got" = "$expected" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL after 'quendle-stores $*': '$got', expected '$expected'"
    fi
}

offers "--help --version diff dump load patch show " ""
offers "diff dump " d
offers "--help --output= -o " dump -
offers "--dry-run --help " load --
offers "folder my.bps my.ips stores.txt " load x.smc ""
offers "folder my.bps my.ips stores.txt " load --dry-run x.smc ""
offers "folder other.smc plain.sfc rom.smc " dump ""
offers "folder my.bps my.ips notes.md other.smc plain.sfc rom.smc stores.txt " dump rom.smc -o ""
offers "folder other.smc plain.sfc rom.smc stores.txt " diff rom.smc ""
offers "6 60 61 62 63 64 " show rom.smc 6
offers "folder other.smc plain.sfc rom.smc stores.txt " patch rom.smc ""
offers "bps ips " patch rom.smc other.smc --format ""
offers "--format= --help --output= -o " patch rom.smc -
# Bash splits a word at "=": --format=, --format=i and --output= as it gives them.
offers "bps ips " patch rom.smc other.smc --format =
offers "ips " patch rom.smc other.smc --format = i
offers "folder my.bps my.ips notes.md other.smc plain.sfc rom.smc stores.txt " patch rom.smc other.smc --output =
offers "my.bps my.ips " patch rom.smc other.smc --output = my
offers "folder other.smc plain.sfc rom.smc stores.txt " patch --format = ips rom.smc ""
echo "completion: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
