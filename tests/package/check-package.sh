#!/usr/bin/env bash
# Checks the Debian packages that scripts/package built from the one source package:
# lintian with no error and no warning on both, the files each holds, the editor's
# dependencies on the Qt 6 libraries and the command's on none, stripped and
# hardened binaries with their -dbgsym packages, valid desktop entry (offered for
# SNES ROM images) and AppStream metainfo, the bash completion, and the version each program reports.
#
# usage: check-package.sh PROJECT_DIR
set -uo pipefail
project="$(cd "$1" && pwd)"
out="$(dirname "$project")"
version="$(cd "$project" && dpkg-parsechangelog -S Version)"
arch="$(dpkg --print-architecture)"
deb="$out/quendlestoreedit_${version}_${arch}.deb"
dbgsym="$out/quendlestoreedit-dbgsym_${version}_${arch}.deb"
command_deb="$out/quendle-stores_${version}_${arch}.deb"
command_dbgsym="$out/quendle-stores-dbgsym_${version}_${arch}.deb"
changes="$out/quendlestoreedit_${version}_${arch}.changes"
source "$project/tests/support/check.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work" "$check_log"' EXIT

check "the packages and their -dbgsym packages exist" \
    test -f "$deb" -a -f "$dbgsym" -a -f "$command_deb" -a -f "$command_dbgsym" -a -f "$changes"
check "lintian reports no error and no warning" \
    lintian --fail-on error,warning "$changes"
echo "lintian's info tags:"
lintian --info "$changes" 2>/dev/null | grep '^I:' | sed 's/^/    /' || echo "    none"

files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
command_files="$(dpkg-deb -c "$command_deb" | awk '{print $6}')"
holds() { grep -qxF "./$1" <<<"$files"; }
command_holds() { grep -qxF "./$1" <<<"$command_files"; }
for path in usr/bin/QuendleStoreEdit usr/share/man/man1/QuendleStoreEdit.1.gz \
    usr/share/applications/org.quendlestoreedit.QuendleStoreEdit.desktop \
    usr/share/metainfo/org.quendlestoreedit.QuendleStoreEdit.metainfo.xml \
    usr/share/doc/quendlestoreedit/copyright usr/share/doc/quendlestoreedit/changelog.gz; do
    check "the editor's package holds $path" holds "$path"
done
for path in usr/bin/quendle-stores usr/share/man/man1/quendle-stores.1.gz \
    usr/share/bash-completion/completions/quendle-stores \
    usr/share/metainfo/org.quendlestoreedit.quendle_stores.metainfo.xml \
    usr/share/doc/quendle-stores/copyright usr/share/doc/quendle-stores/changelog.gz; do
    check "the command's package holds $path" command_holds "$path"
done
check "the editor's package does not hold the command" bash -c "! grep -q quendle-stores <<<'$files'"
for size in 16 32 48 64 128 256; do
    check "holds the ${size}x${size} icon" holds "usr/share/icons/hicolor/${size}x${size}/apps/quendlestoreedit.png"
done

depends="$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')"
for package in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libc6 libstdc++6; do
    check "the editor depends on $package" grep -qxF "$package" <<<"$depends"
done
check "the editor recommends the command" \
    bash -c "dpkg-deb -f '$deb' Recommends | grep -qw quendle-stores"
command_depends="$(dpkg-deb -f "$command_deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')"
check "the command depends on libc6 and libstdc++6" \
    bash -c "grep -qxF libc6 <<<'$command_depends' && grep -qxF libstdc++6 <<<'$command_depends'"
check "the command depends on no Qt package" bash -c "! grep -Eq '^(libqt6|qt6)' <<<'$command_depends'"

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -x "$command_deb" "$work/root"
binary="$work/root/usr/bin/QuendleStoreEdit"
check "the binary is stripped" bash -c "! readelf -S '$binary' | grep -q '\.debug_info'"
check "the binary binds now (relro, bindnow)" bash -c "readelf -d '$binary' | grep -q 'BIND_NOW' && readelf -lW '$binary' | grep -q GNU_RELRO"
check "the binary uses fortified calls" bash -c "readelf --dyn-syms -W '$binary' | grep -q '_chk@'"
check "the binary has a stack protector" bash -c "readelf --dyn-syms -W '$binary' | grep -q '__stack_chk_fail'"
check "the desktop entry is valid" desktop-file-validate \
    "$work/root/usr/share/applications/org.quendlestoreedit.QuendleStoreEdit.desktop"
check "file managers offer the editor for SNES ROM images" bash -c \
    "cp -r '$work/root/usr/share/applications' '$work/applications' &&
     update-desktop-database '$work/applications' &&
     grep -qxF 'application/vnd.nintendo.snes.rom=org.quendlestoreedit.QuendleStoreEdit.desktop;' '$work/applications/mimeinfo.cache'"
check "the editor's AppStream metainfo is valid" appstreamcli validate --no-net \
    "$work/root/usr/share/metainfo/org.quendlestoreedit.QuendleStoreEdit.metainfo.xml"
check "the command's AppStream metainfo is valid" appstreamcli validate --no-net \
    "$work/root/usr/share/metainfo/org.quendlestoreedit.quendle_stores.metainfo.xml"
check "the installed completion offers the commands" bash -c \
    "source '$work/root/usr/share/bash-completion/completions/quendle-stores' &&
     COMP_WORDS=(quendle-stores d) COMP_CWORD=1 && _quendle_stores && [ \"\${COMPREPLY[*]}\" = 'dump diff' ]"
command_binary="$work/root/usr/bin/quendle-stores"
check "the command's binary is stripped and binds now" bash -c \
    "! readelf -S '$command_binary' | grep -q '\.debug_info' && readelf -d '$command_binary' | grep -q BIND_NOW"
check "the editor reports the package's version" \
    bash -c "[ \"\$(env -u DISPLAY '$binary' --version)\" = 'QuendleStoreEdit $version' ]"
check "quendle-stores reports the package's version" \
    bash -c "[ \"\$('$work/root/usr/bin/quendle-stores' --version)\" = 'quendle-stores $version' ]"
check "quendle-stores links no Qt library" \
    bash -c "! readelf -d '$work/root/usr/bin/quendle-stores' | grep -q 'libQt'"

report "package"
