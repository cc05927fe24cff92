#!/usr/bin/env bash
# The Debian package: made by CPack from the build, it holds exactly the
# programs and the shipped files (nothing of tests, benchmarks or build
# tools), carries the full version and the dependencies found by
# dpkg-shlibdeps, and its programs work from where the package puts them.
#
# usage: package.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
build=$1
source=$2
id=$3
version=$4
. "$source/tests/packaging/common.sh"

for tool in cpack dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run bash scripts/install-deps.sh"
done

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$scratch/cpack.log")"
deb=$(ls "$scratch"/out/tarvelo_"$version"_*.deb 2>/dev/null) || fail "no package: $(ls "$scratch/out")"

echo "== control fields"
field() { dpkg-deb -f "$deb" "$1"; }
expect_same Package tarvelo "$(field Package)"
expect_same Version "$version" "$(field Version)"
expect_same Section net "$(field Section)"
expect_same Architecture "$(dpkg --print-architecture)" "$(field Architecture)"
case ", $(field Recommends)," in *", ppp,"*) ;; *) fail "Recommends: $(field Recommends)" ;; esac
for lib in libc6 libqt6core6 libqt6widgets6 libqt6network6 libqt6printsupport6; do
    case ", $(field Depends)" in *", $lib "*) ;; *) fail "Depends lacks $lib: $(field Depends)" ;; esac
done

echo "== contents"
expected=$(
    {
        echo usr/bin/tarvelo
        echo usr/bin/tarvelo-cli
        echo "usr/share/applications/$id.desktop"
        for size in 16 22 24 32 48 64 128 256; do
            echo "usr/share/icons/hicolor/${size}x$size/apps/$id.png"
        done
        echo "usr/share/metainfo/$id.metainfo.xml"
        for f in "$source"/data/hlp/* "$source"/data/Trf/*; do
            echo "usr/share/tarvelo/${f#"$source"/data/}"
        done
    } | LC_ALL=C sort
)
# Regular files only; "-rw-r--r-- root/root 3852 2026-01-01 10:00 ./usr/..."
files=$(dpkg-deb --contents "$deb" | sed -n -E 's,^-[^ ]+ +[^ ]+ +[0-9]+ +[^ ]+ +[^ ]+ +\./,,p' |
    LC_ALL=C sort)
expect_same "files in the package" "$expected" "$files"
if dpkg-deb --contents "$deb" | grep -v '^[-d]'; then
    fail "links or special files in the package"
fi
owners=$(dpkg-deb --contents "$deb" | awk '{ print $2 }' | sort -u)
expect_same "owner of every file" root/root "$owners"

echo "== the packaged programs"
root=$scratch/root
dpkg-deb -x "$deb" "$root"
for exe in tarvelo tarvelo-cli; do
    case $(file -b "$root/usr/bin/$exe") in
    *ELF*", stripped") ;;
    *) fail "$exe: $(file -b "$root/usr/bin/$exe")" ;;
    esac
done
make_read_only "$root"
home=$(fresh_home)
price=$(in_home "$home" "$root/usr/bin/tarvelo-cli" price "Telecom Urbana 50%" "2024-03-04 10:00:00" \
    --seconds 60)
case $price in cost=[1-9]*) ;; *) fail "price from the package: $price" ;; esac
expect_file "$home/.local/share/tarvelo/Trf/Telecom Urbana 50%.trf"
echo "PASS"
