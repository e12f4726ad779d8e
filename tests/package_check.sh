#!/usr/bin/env bash
# Checks the packages as a user receives them: the .deb unpacked with dpkg -x
# compresses the shipped example exactly as the main build does and decodes it
# back, lintian finds nothing in it even at its strictest, it needs libc6
# alone, its three manual pages lint clean, its version is the banner's, and the
# .tar.gz and the Windows .zip hold what they should.
#   tests/package_check.sh <release build folder> <main build's squeezle> [windows build folder]
set -euo pipefail
release=$1
main=$2
windows=${3:-}
source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

deb=$(ls "$release"/squeezle_*_amd64.deb)
dpkg -x "$deb" "$scratch/root"
bin="$scratch/root/usr/bin"
"$bin/squeezle" /Q "$source/examples/setup.bat" "$scratch/package.zcl"
"$main" /Q "$source/examples/setup.bat" "$scratch/main.zcl"
cmp "$scratch/package.zcl" "$scratch/main.zcl"
"$bin/unsqueezle" /Q "$scratch/package.zcl" "$scratch/back.bat"
cmp "$scratch/back.bat" "$source/examples/setup.bat"
echo "unpacked .deb compresses the example as the main build does, and decodes it back"

# The banner's second line is "SQUEEZLE <version>".
version=$("$bin/squeezle" --version | sed -n 2p | cut -d' ' -f2)
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "package version is not $version"; exit 1; }
echo "package version $version follows the banner"
[ -z "$(lintian -EviIL +pedantic "$deb")" ] || { lintian -EviIL +pedantic "$deb"; exit 1; }
[[ $(dpkg-deb -f "$deb" Depends) =~ ^libc6( \([^,]*\))?$ ]] || { echo "the .deb needs more than libc6"; exit 1; }
echo "lintian -EviIL +pedantic finds nothing in the .deb, which needs libc6 alone"

tarball=$(tar tzf "$release"/squeezle-*-Linux-x86_64.tar.gz)
for page in man1/squeezle.1 man1/unsqueezle.1 man5/zcl.5; do
    text="$scratch/${page#*/}"
    gunzip -c "$scratch/root/usr/share/man/$page.gz" >"$text"
    [ -z "$(mandoc -T lint "$text")" ] || { mandoc -T lint "$text"; exit 1; }
    [ -z "$(groff -man -ww -z "$text" 2>&1)" ] || { groff -man -ww -z "$text"; exit 1; }
    grep -q "/share/man/$page.gz\$" <<<"$tarball"
done
grep -q "/bin/squeezle\$" <<<"$tarball"
grep -q "/bin/unsqueezle\$" <<<"$tarball"
echo "manual pages lint clean; the .tar.gz holds both programs and the three pages"

if [ -n "$windows" ]; then
    listing=$(unzip -Z1 "$windows"/squeezle-*-windows-x86_64.zip)
    for name in squeezle.exe unsqueezle.exe README.txt LICENSE squeezle.txt unsqueezle.txt zcl.txt; do
        grep -q "/$name\$" <<<"$listing" || { echo "the .zip lacks $name"; exit 1; }
    done
    unzip -q "$windows"/squeezle-*-windows-x86_64.zip -d "$scratch/zip"
    if grep -lv $'\r$' "$scratch"/zip/*/{README.txt,LICENSE,squeezle.txt,unsqueezle.txt,zcl.txt}; then
        echo "these texts of the .zip have a line without CR LF"; exit 1
    fi
    echo "the .zip holds squeezle.exe, unsqueezle.exe, and README.txt, LICENSE and the three pages as CR LF text"
fi
