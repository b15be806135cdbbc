#!/bin/sh
# The installation and the Debian packages: `cmake --install` puts every file
# in place, the two packages pass lintian (no error, no warning) with their
# metadata, desktop entry and manual pages valid, orv-modbus needs no GUI
# library, and its bash completion offers exactly the program's own
# functions and formats, and every option its help names.
# Usage: check_packages.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/orv-terminal bin/orv-modbus libexec/orv-terminal/orv-terminal \
    share/man/man1/orv-terminal.1.gz share/man/man1/orv-modbus.1.gz \
    share/bash-completion/completions/orv-modbus share/applications/orv-terminal.desktop \
    share/metainfo/invalid.orv_terminal.OrvTerminal.metainfo.xml \
    share/icons/hicolor/48x48/apps/orv-terminal.png share/icons/hicolor/128x128/apps/orv-terminal.png \
    share/icons/hicolor/scalable/apps/orv-terminal.svg share/doc/orv-terminal/copyright \
    share/doc/orv-modbus/changelog.gz; do
    [ -f "$prefix/$file" ] || fail "cmake --install left out $file"
done

for page in orv-terminal orv-modbus; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l -Tutf8 -Z \
        "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "manual page $page: $warnings"
done
desktop-file-validate "$prefix/share/applications/orv-terminal.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/invalid.orv_terminal.OrvTerminal.metainfo.xml" >"$work/as" 2>&1 ||
    { cat "$work/as" >&2; fail "AppStream metadata"; }

(cd "$build" && cpack -G DEB -B "$work/packages" >/dev/null)
for package in orv-terminal orv-modbus; do
    [ -f "$work/packages/${package}_1.0.4_amd64.deb" ] || fail "no package $package"
done
lintian --pedantic --fail-on error,warning "$work/packages/"*.deb >"$work/lintian" 2>&1 ||
    { cat "$work/lintian" >&2; fail "lintian"; }
depends=$(dpkg-deb -f "$work/packages/orv-modbus_1.0.4_amd64.deb" Depends)
case "$depends" in
    *wx*|*gtk*|*X11*|*libx*) fail "orv-modbus depends on GUI libraries: $depends" ;;
esac

# The completion against the program's own lists.
help=$("$prefix/bin/orv-modbus" --help)
functions=$(echo "$help" | sed -n 's/^FUNCTION is one of //p' | sed 's/ ([0-9]*)//g; s/[,.]//g')
formats=$(echo "$help" | sed -n 's/^Formats: //p' | sed 's/[,.]//g')
diagnostics=$(echo "$help" | sed -n 's/^Diagnostics: //p' | sed 's/[,.]//g')
complete() {  # complete WORD... : what the completion offers for the last word
    bash -c '. "$0"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _orv_modbus; echo "${COMPREPLY[@]}"' \
        "$prefix/share/bash-completion/completions/orv-modbus" "$@"
}
[ "$(complete orv-modbus -p 502 127.0.0.1 '')" = "$functions $diagnostics" ] ||
    fail "completion of functions: $(complete orv-modbus 127.0.0.1 '')"
[ "$(complete orv-modbus 127.0.0.1 3 -f '')" = "$formats" ] || fail "completion of formats"
[ "$(complete orv-modbus 127.0.0.1 3 --js)" = "--json" ] || fail "completion of options"
offered=" $(complete orv-modbus 127.0.0.1 3 --) "
for option in $(echo "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    case $offered in *" $option "*) ;; *) fail "completion lacks $option" ;; esac
done
[ "$(complete orv-modbus 127.0.0.1 3 --order '')" = "abcd cdab badc dcba" ] || fail "completion of word orders"
[ "$(complete orv-modbus 127.0.0.1 3 -f s64 --order '')" = "abcdefgh ghefcdab badcfehg hgfedcba" ] ||
    fail "completion of the 64-bit word orders"
[ "$(complete orv-modbus 127.0.0.1 3 --framing '')" = "rtu tcp" ] || fail "completion of framings"
exit $failed
