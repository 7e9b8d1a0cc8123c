#!/usr/bin/env bash
# quendle-stores as a script runs it, with nothing but the programs (no Qt): a round
# trip, a subset, bad texts that leave the image byte-identical, diff's statuses,
# usage errors, -o through a link and into a device, and a full standard output;
# images without a copier header, and patches between the two layouts.
#
# usage: quendle-stores.sh QUENDLE_STORES MAKEIMAGE VERSION
set -uo pipefail
qs="$(realpath "$1")" makeimage="$(realpath "$2")" version="$3"
source "$(dirname "$(realpath "${BASH_SOURCE[0]}")")/../support/check.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work" "$check_log"' EXIT
cd "$work"
status() { # status EXPECTED COMMAND...: COMMAND exits with EXPECTED
    local expected="$1"
    shift
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" -eq "$expected" ] || { echo "status $got, not $expected"; cat "$work/err"; return 1; }
}

"$makeimage" clean.smc >/dev/null && cp clean.smc hack.smc && cp clean.smc keep.smc

# A round trip: a dump, edited, loaded into another image, diffs as edited.
check "dump writes the format line" status 0 "$qs" dump clean.smc -o stores.txt
check "the text begins with its format line" grep -qx 'quendle-stores-table 1' stores.txt
sed 's/^12 .*/12 1 2 3 4 5 6 7/; s/^64 .*/64 255 0 255 0 255 0 255/' stores.txt >edited.txt
check "the README's edit works for a store that dump pads (store 5)" bash -c \
    "sed 's/^ *5 .*/5 9 9 9 9 9 9 9/' stores.txt >five.txt &&
     '$qs' load --dry-run clean.smc five.txt | grep -q '^store 5 ' &&
     [ \$('$qs' load --dry-run clean.smc five.txt | cut -d' ' -f2 | sort -u) = 5 ]"
check "load writes the edited stores" status 0 "$qs" load hack.smc edited.txt
check "load says how many changed" grep -q '"hack.smc": 2 of 65 listed stores changed, written and flushed' err
check "the image changed in 14 bytes at most, all in the table" bash -c \
    "cmp -l clean.smc hack.smc | awk '\$1 < 1407162 || \$1 > 1407616 { bad = 1 } END { exit bad || NR > 14 }'"
check "diff of the images is status 1" status 1 "$qs" diff clean.smc hack.smc
check "diff names store 12's slots" grep -q '^store 12 (Burglin Park Egg Stand) slot 1: ' out
check "diff of the text and the image is status 0" status 0 "$qs" diff edited.txt hack.smc
check "loading the dump back changes nothing" status 0 "$qs" load clean.smc stores.txt
check "the clean image is byte-identical" cmp clean.smc keep.smc
check "a text from standard input" bash -c "'$qs' dump hack.smc | '$qs' diff - hack.smc"

# Bad texts: status 2, the line and what was expected, and not a byte written.
bad() { # bad NAME TEXT EXPECTED
    printf '%b' "$2" >bad.txt
    check "$1: status 2" status 2 "$qs" load hack.smc bad.txt
    check "$1: says $3" grep -qF "$3" err
}
cp hack.smc before.smc
bad "no format line" '12 1 2 3 4 5 6 7\n' 'bad.txt:1: "12 1 2 3 4 5 6 7": expected the format line'
bad "an id past 255" 'quendle-stores-table 1\n12 1 2 3 4 5 6 300\n' 'bad.txt:2: "300": expected an item id from 0 to 255 for slot 7'
bad "a store past 64" 'quendle-stores-table 1\n65 1 2 3 4 5 6 7\n' 'bad.txt:2: "65": expected a store number'
bad "a missing id" 'quendle-stores-table 1\n12 1 2\n' 'expected 7 item ids'
check "the image is byte-identical after the bad texts" cmp hack.smc before.smc

# Statuses and usage.
check "a missing image is status 2" status 2 "$qs" show missing.smc
check "an unknown option is status 2" status 2 "$qs" dump clean.smc --bogus
check "and says so as coreutils do" grep -qx "quendle-stores: unrecognized option '--bogus'" err
check "--help is status 0" status 0 "$qs" --help
check "--version names the version" bash -c "[ \"\$('$qs' --version)\" = 'quendle-stores $version' ]"
check "show takes leading zeros" status 0 "$qs" show clean.smc 012
check "--output is dump's alone" status 2 "$qs" show clean.smc --output=x
check "a full disk is a write error" bash -c \
    "! '$qs' show clean.smc >/dev/full 2>err2 && grep -qx 'quendle-stores: write error: No space left on device' err2"

# -o: a link's target is written and keeps its mode; a device is written into.
echo old >target.txt && chmod 600 target.txt && ln -s target.txt link.txt
check "-o through a link" status 0 "$qs" dump clean.smc -o link.txt
check "the link stays a link" test -L link.txt
check "the target holds the dump and keeps its mode" bash -c \
    "cmp target.txt stores.txt && [ \"\$(stat -c %a target.txt)\" = 600 ]"
check "-o /dev/null writes into it" status 0 "$qs" dump clean.smc -o /dev/null
check "/dev/null is still a device" test -c /dev/null
check "-o the image itself, read as standard input, is refused" bash -c \
    "! '$qs' dump - -o hack.smc <hack.smc 2>err3 && grep -q 'input file is output file' err3"
check "and the image is whole" cmp hack.smc before.smc

# Images without a copier header: the table lies 512 bytes earlier, and everything
# else is as with one. (The demo image has a header; --no-header makes its twin.)
"$makeimage" --no-header plain.sfc >/dev/null && cp plain.sfc plainhack.sfc && cp plain.sfc plainkeep.sfc
check "the twins are 512 bytes apart in size" bash -c \
    "[ \$(stat -c %s clean.smc) -eq \$((\$(stat -c %s plain.sfc) + 512)) ]"
check "show names each layout" bash -c \
    "'$qs' show plain.sfc 0 | head -1 | grep -qx 'image: no copier header' &&
     '$qs' show clean.smc 0 | head -1 | grep -qx 'image: 512-byte copier header'"
check "the dumps of the twins are byte-identical" bash -c "'$qs' dump plain.sfc | cmp - stores.txt"
check "diff of the twins is status 0" status 0 "$qs" diff clean.smc plain.sfc
check "a header-less image reads from a pipe too" bash -c "'$qs' dump - <plain.sfc | cmp - stores.txt"
check "load into a header-less image" status 0 "$qs" load plainhack.sfc edited.txt
check "it changed in 14 bytes at most, all in its own table (1406650 to 1407104)" bash -c \
    "cmp -l plain.sfc plainhack.sfc | awk '\$1 < 1406650 || \$1 > 1407104 { bad = 1 } END { exit bad || NR == 0 || NR > 14 }'"
check "the header-less image diffs as the headered one" status 0 "$qs" diff plainhack.sfc hack.smc

# Patches are for the image without its header, and load applies them to either.
for format in ips bps; do
    check "a $format patch from the headered images" status 0 "$qs" patch clean.smc hack.smc -o "h.$format"
    check "a $format patch from the header-less images" status 0 "$qs" patch plain.sfc plainhack.sfc -o "p.$format"
    check "the two $format patches are the same" cmp "h.$format" "p.$format"
    cp plainkeep.sfc "cross.sfc" && cp keep.smc "cross.smc"
    check "the headered $format patch loads into a header-less image" status 0 "$qs" load cross.sfc "h.$format"
    check "and gives the header-less hack" cmp cross.sfc plainhack.sfc
    check "the header-less $format patch loads into a headered image" status 0 "$qs" load cross.smc "p.$format"
    check "and gives the headered hack, header and all" cmp cross.smc hack.smc
done
check "a dry run names the layout a patch was made for" bash -c \
    "printf 'PATCH\\x15\\x78\\xB9\\x00\\x01\\x09EOF' >old.ips &&
     '$qs' load plain.sfc old.ips --dry-run 2>&1 >/dev/null |
         grep -q 'made for an image with a 512-byte copier header; \"plain.sfc\" is an image without a copier header'"
check "an image given as the patch is named as an image" bash -c \
    "! '$qs' load plain.sfc hack.smc 2>err4 &&
     grep -q 'is a ROM image, not a store table text or a patch' err4"
check "the header-less image is byte-identical after the refusals" cmp plain.sfc plainkeep.sfc

report "quendle-stores script"
