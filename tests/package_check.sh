#!/usr/bin/env bash
# Checks the packages of the build folders named, each named as its configure
# preset, as a user receives them. The same sources, built again in another
# folder, later, with another umask and time zone, give the same packages and
# programs byte for byte. Lintian finds nothing in each .deb even at its
# strictest, and each needs libc6 alone; the host's, unpacked, compresses the
# shipped example exactly as the main build does and decodes it back, its
# version is the banner's and its manual pages lint clean. Each .tar.gz's
# programs need no shared library and no symbol version, and do the same,
# under qemu for another CPU. A project built against the host's .tar.gz
# compresses its scripts with squeezle_compress(), again only where one
# changed, and fails on one that squeezle refuses, leaving no output for it.
# The .zip holds what it should.
#   tests/package_check.sh <main build's squeezle> <build folder>...
set -eEuo pipefail
shopt -s nullglob
IFS=$'\n' # the folders' names may hold blanks
main=$1
shift
source=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Names the command that failed, but not one inside $(...), where grep may find nothing.
trap '[ "$BASH_SUBSHELL" != 0 ] || echo "failed at line $LINENO: $BASH_COMMAND" >&2' ERR

# The scratch folder takes a copy of the sources, built there again.
tar -C "$source" --exclude=./build -c . | tar -C "$scratch" -xm
for folder; do
    preset=$(basename "$folder")
    (cd "$scratch" && umask 077 && export TZ=Pacific/Kiritimati && cmake --preset "$preset" &&
        cmake --build --preset "$preset" && cpack --preset "$preset") >/dev/null
    for file in "$folder"/squeezle[-_]*.* "$folder"/*squeezle "$folder"/*squeezle.exe; do
        cmp "$file" "$scratch/build/$preset/${file##*/}" || diffoscope "$file" "$scratch/build/$preset/${file##*/}"
    done
done

for deb in ${@/%//squeezle_*.deb}; do
    [ -z "$(lintian -EviIL +pedantic "$deb")" ] || { lintian -EviIL +pedantic "$deb"; exit 1; }
    [[ $(dpkg-deb -f "$deb" Depends) =~ ^libc6( \([^,]*\))?$ ]]
done

# The programs in folder $1, run by $2 if given, compress the example as the main build does and decode it back.
round_trip() {
    ${2:-} "$1/squeezle" /Q "$source/examples/setup.bat" "$1.zcl"
    cmp "$1.zcl" "$scratch/main.zcl"
    ${2:-} "$1/unsqueezle" /Q "$1.zcl" "$1.bat"
    cmp "$1.bat" "$source/examples/setup.bat"
}
"$main" /Q "$source/examples/setup.bat" "$scratch/main.zcl"
deb=$(echo ${@/%//squeezle_*_$(dpkg --print-architecture).deb})
dpkg -x "$deb" "$scratch/deb"
round_trip "$scratch/deb/usr/bin"
# The banner's second line is "SQUEEZLE <version>".
[ "$(dpkg-deb -f "$deb" Version)" = "$("$scratch/deb/usr/bin/squeezle" --version | sed -n 2p | cut -d' ' -f2)" ]
for page in "$scratch"/deb/usr/share/man/man[15]/*; do
    [ -z "$(mandoc -T lint "$page")" ] || { mandoc -T lint "$page"; exit 1; }
    [ -z "$(gunzip -c "$page" | groff -man -ww -z 2>&1)" ] || { gunzip -c "$page" | groff -man -ww -z; exit 1; }
done

for tarball in ${@/%//squeezle-*-Linux-*.tar.gz}; do
    cpu=${tarball##*-Linux-} && cpu=${cpu%.tar.gz}
    mkdir "$scratch/$cpu" && tar -C "$scratch/$cpu" -xzf "$tarball"
    [ -z "$(readelf -d "$scratch/$cpu"/*/bin/* | grep -E 'NEEDED|VERNEED')" ]
    round_trip "$(echo "$scratch/$cpu"/*/bin)" "$([ "$cpu" = "$(uname -m)" ] || echo "qemu-$cpu-static")"
done

# The example project, in the copy of the sources, against the host's tarball.
cleanup="$scratch/examples/cmake/cleanup.bat" && build="$scratch/examples/cmake/build"
cmake -S "$scratch/examples/cmake" -B "$build" -G Ninja -DCMAKE_PREFIX_PATH="$(echo "$scratch/$(uname -m)"/*)" >/dev/null
# The scripts a build compresses; the wait makes a script changed next newer than its output.
compressed() { cmake --build "$build" | grep -o '[a-z]*[.]zcl$' | sort | xargs; sleep 1; }
[ "$(compressed)" = "cleanup.zcl setup.zcl" ]
printf 'echo Cleaned.\r\n' >>"$cleanup"
[ "$(compressed)" = "cleanup.zcl" ]
"$main" /K /Q "$cleanup" "$scratch/cleanup.zcl"
cmp "$build/scripts/cleanup.zcl" "$scratch/cleanup.zcl"
# A refused script, and under STRICT one that would lose text, fail the build
# with squeezle's brief lines, which name it, and leave no output.
for refused in '\276\353|: error: Input file is already compressed' 'a\000b\r\n|:1: warning: a NUL byte cuts'; do
    printf "${refused%%|*}" >"$cleanup"
    if cmake --build "$build" >"$scratch/refused.log"; then echo "the build took a script that squeezle refuses"; exit 1; fi
    grep -qF "cleanup.bat${refused#*|}" "$scratch/refused.log"
    [ ! -e "$build/scripts/cleanup.zcl" ]
done

# The .zip's texts, for Windows, have CR LF line ends.
for zip in ${@/%//squeezle-*-windows-*.zip}; do
    [ "$(unzip -Z1 "$zip" | grep -cE '/((un)?squeezle[.](exe|txt)|zcl.txt|README.txt|LICENSE|cmake/SqueezleConfig.cmake)$')" = 8 ]
    unzip -q "$zip" -d "$scratch/zip"
    ! grep -lv $'\r$' "$scratch"/zip/*/{README.txt,LICENSE,squeezle.txt,unsqueezle.txt,zcl.txt}
done
echo "the packages are the same from every build, lint clean, static where they should be, and work"
