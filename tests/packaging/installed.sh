#!/usr/bin/env bash
# The installed program as its users meet it: `cmake --install` into a
# temporary prefix, the menu entry and AppStream data checked by the
# desktop's own validators, then both programs run from a read-only copy of
# the prefix with a fresh home. Also checks that a portable folder keeps all
# its files to itself, as before.
#
# usage: installed.sh BUILD_DIR SOURCE_DIR APP_ID
build=$1
source=$2
id=$3
. "$source/tests/packaging/common.sh"

for tool in desktop-file-validate appstreamcli file; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run bash scripts/install-deps.sh"
done

sample="Telecom Urbana 50%"
call=("$sample" "2024-03-04 10:00:00" --seconds 120 --iva 20)

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

echo "== menu entry, AppStream data and icons"
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
expect_file "$desktop"
expect_file "$metainfo"
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate has remarks: $report"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -qx "Icon=$id" "$desktop" || fail "the menu entry names another icon"
for size in 16 22 24 32 48 64 128 256; do
    icon=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    expect_file "$icon"
    case $(file -b "$icon") in
    "PNG image data, $size x $size, 8-bit/color RGBA"*) ;;
    *) fail "$icon: $(file -b "$icon")" ;;
    esac
done

echo "== a portable folder keeps everything to itself"
dist=$scratch/dist
mkdir "$dist"
cp "$build/tools/tarvelo-cli" "$dist/"
cp -r "$source/data/Trf" "$dist/"
home=$(fresh_home)
portable_price=$(in_home "$home" "$dist/tarvelo-cli" price "${call[@]}")
in_home "$home" "$dist/tarvelo-cli" ras add Prova --phone 0701234567 >/dev/null
expect_file "$dist/ras-sim/rasphone.pbk"
[ ! -e "$home/.local" ] || fail "the portable tool stored files in the home"

echo "== a portable folder the user may not write"
cd_rom=$scratch/cd-rom
mkdir "$cd_rom"
cp -r "$dist/tarvelo-cli" "$dist/Trf" "$cd_rom/"
make_read_only "$cd_rom"
home=$(fresh_home)
expect_same "price from a read-only folder" "$portable_price" \
    "$(in_home "$home" "$cd_rom/tarvelo-cli" price "${call[@]}")"
expect_same "the user's folder" "Trf/"$'\n'"Trf/$sample.trf" "$(tree_of "$home/.local/share/tarvelo")"

ro=$scratch/ro
cp -a "$prefix" "$ro"
make_read_only "$ro"
before=$(tree_of "$ro")

echo "== first start of the installed tool"
home=$(fresh_home)
user=$home/.local/share/tarvelo
price=$(in_home "$home" "$ro/bin/tarvelo-cli" price "${call[@]}")
expect_same "price from the installed tool" "$portable_price" "$price"
expect_same "the user's folder" "Trf/"$'\n'"Trf/$sample.trf" "$(tree_of "$user")"
cmp "$source/data/Trf/$sample.trf" "$user/Trf/$sample.trf"
expect_same "permissions of the user's folder" 700 "$(stat -c %a "$user")"
expect_same "profile list" "$sample" "$(in_home "$home" "$ro/bin/tarvelo-cli" profile list)"

echo "== the user's profiles stay theirs"
printf 'edited' >"$user/Trf/$sample.trf"
in_home "$home" "$ro/bin/tarvelo-cli" profile list >/dev/null
expect_same "edited sample" "edited" "$(cat "$user/Trf/$sample.trf")"
rm "$user/Trf/$sample.trf"
in_home "$home" "$ro/bin/tarvelo-cli" profile list >/dev/null
expect_same "deleted sample" "Trf/" "$(tree_of "$user")"

echo "== the simulated dial-up service only when asked for"
in_home "$home" "$ro/bin/tarvelo-cli" ras add Casa --phone 0707654321 >/dev/null
expect_same "entries" $'Casa\t0707654321' "$(in_home "$home" "$ro/bin/tarvelo-cli" ras entries)"
expect_file "$user/ras-sim/rasphone.pbk"

echo "== XDG_DATA_HOME and --folder"
home=$(fresh_home)
in_home "$home" env XDG_DATA_HOME="$home/xdg" "$ro/bin/tarvelo-cli" profile list >/dev/null
expect_file "$home/xdg/tarvelo/Trf/$sample.trf"
chosen=$(fresh_home)
in_home "$home" "$ro/bin/tarvelo-cli" --folder "$chosen" ras add Altra >/dev/null
expect_file "$chosen/ras-sim/rasphone.pbk"
[ ! -e "$home/.local" ] || fail "--folder still made the folder in the home"
[ ! -e "$chosen/Trf" ] || fail "--folder got the sample profiles"

echo "== first start of the installed window program"
home=$(fresh_home)
user=$home/.local/share/tarvelo
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$home" XDG_RUNTIME_DIR="$home/.run" \
    QT_QPA_PLATFORM=offscreen "${as_user[@]}" "$ro/bin/tarvelo" >"$scratch/window.log" 2>&1 &
pid=$!
# Up once it catches SIGTERM: from then on a kill takes the bar's close path.
# Until the program itself runs, $pid is this script's own copy, which
# catches SIGTERM for the exit trap.
up=
for _ in $(seq 300); do
    mask=$(awk '/^SigCgt:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) ||
        fail "the window program ended at start: $(cat "$scratch/window.log")"
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = tarvelo ] && (((16#$mask >> 14) & 1)); then
        up=1
        break
    fi
    sleep 0.1
done
[ -n "$up" ] || fail "the window program did not start: $(cat "$scratch/window.log")"
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
expect_same "exit status after SIGTERM" 0 "$status"
expect_file "$home/.config/tarvelo/HKCU.reg"
expect_same "the user's folder" "Trf/"$'\n'"Trf/$sample.trf" "$(tree_of "$user")"

expect_same "the read-only installation" "$before" "$(tree_of "$ro")"

echo "== a full disk at the first start"
if [ "$(id -u)" -ne 0 ] || ! unshare --mount --propagation private true 2>/dev/null; then
    echo "SKIP: needs root and a private mount namespace for a small tmpfs"
    exit 0
fi
disk=$scratch/disk
mkdir "$disk"
home=$(fresh_home)
# The samples arrive together or not at all: a start that cannot copy them
# leaves no half "Trf" behind, and the next start copies them.
unshare --mount --propagation private bash -euc '
    disk=$1 home=$2 cli=$3
    mount -t tmpfs -o size=16k tmpfs "$disk"
    head -c 16384 /dev/zero >"$disk/filler"
    run() { env -u XDG_CONFIG_HOME HOME="$home" XDG_DATA_HOME="$disk" "$cli" profile list; }
    err=$(run 2>&1 >/dev/null || true)
    case $err in
    *"impossibile copiare il profilo"*) ;;
    *) echo "FAIL: no message on a full disk: $err" >&2; exit 1 ;;
    esac
    left=$(cd "$disk/tarvelo" && ls -A)
    [ -z "$left" ] || { echo "FAIL: left behind on a full disk: $left" >&2; exit 1; }
    rm "$disk/filler"
    run >/dev/null
    [ -f "$disk/tarvelo/Trf/Telecom Urbana 50%.trf" ] || { echo "FAIL: not copied later" >&2; exit 1; }
' _ "$disk" "$home" "$ro/bin/tarvelo-cli"
echo "PASS"
