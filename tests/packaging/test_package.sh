#!/bin/sh
# The Debian package as a newcomer receives it: built from this build tree,
# it holds the README, the changelog and the manual pages, gzipped as Debian
# keeps them; the manual pages read without a warning; the changelog, the
# package and the programs' --version all carry the project's one version;
# lintian finds nothing to warn of.
#   test_package.sh BUILD_DIR VERSION CPACK
set -u
build=$1
version=$2
cpack=$3
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || exit 77
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
fail() { echo "FAIL: $*" >&2; fails=$((fails + 1)); }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
deb=$(ls "$tmp"/out/veyra_*.deb)
root="$tmp/root"
dpkg-deb -x "$deb" "$root"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"

doc=usr/share/doc/veyra
man=usr/share/man/man1
for f in $doc/copyright $doc/README.md.gz $doc/changelog.gz \
         $man/veyra.1.gz $man/veyra-launch.1.gz $man/veyra-newdb.1.gz $man/veyra-transfer.1.gz; do
    [ -s "$root/$f" ] || fail "$f is missing"
done

# gzip -9n: whole, with neither a file name nor a time stamp in the header.
for f in "$root"/$doc/*.gz "$root"/$man/*.gz; do
    gzip -t "$f" 2>/dev/null || { fail "$f is no gzip file"; continue; }
    header=$(od -An -tu1 -j3 -N5 "$f" | tr -s ' ')
    [ "$header" = " 0 0 0 0 0" ] || fail "$(basename "$f"): gzip header holds a name or time ($header)"
done

# Debian's changelog form, its newest entry the package's version.
gzip -dc "$root/$doc/changelog.gz" > "$tmp/changelog"
[ "$(dpkg-parsechangelog -l "$tmp/changelog" -S Version 2>&1)" = "$version" ] ||
    fail "changelog's version: $(dpkg-parsechangelog -l "$tmp/changelog" -S Version 2>&1)"
gzip -dc "$root/$doc/README.md.gz" | grep -q '123456' || fail "README does not give the first password"

# Each page names its command and reads without a warning, as lintian checks it.
for page in veyra veyra-launch veyra-newdb veyra-transfer; do
    f="$root/$man/$page.1.gz"
    gzip -dc "$f" | grep -q "^$(echo "$page" | sed 's/-/\\\\-/g') \\\\-" || fail "$page.1: no NAME line for $page"
    gzip -dc "$f" | grep -q "@[A-Z_]*@" && fail "$page.1: unreplaced @VARIABLE@"
    if command -v man >/dev/null; then
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$f" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page.1: $warnings"
    fi
done

# --help and --version of the command-line tools, as installed.
for tool in veyra-newdb veyra-transfer; do
    out=$("$root/usr/bin/$tool" --version 2>&1) || fail "$tool --version failed: $out"
    [ "$out" = "$tool $version" ] || fail "$tool --version says: $out"
    "$root/usr/bin/$tool" --help > "$tmp/help" 2>&1 || fail "$tool --help failed"
    grep -q "$tool" "$tmp/help" || fail "$tool --help: $(cat "$tmp/help")"
done

grep -q '^StartupWMClass=' "$root/usr/share/applications/org.veyra.Veyra.desktop" ||
    fail "the desktop entry has no StartupWMClass"

# Debian's own checks. The contact address is a placeholder until the project has one.
if command -v lintian >/dev/null; then
    lintian --suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog --fail-on error,warning \
        "$deb" > "$tmp/lintian" 2>&1 || fail "lintian: $(grep -v 'root privileges' "$tmp/lintian")"
fi

[ "$fails" = 0 ] && echo "package: all checks passed"
exit "$fails"
