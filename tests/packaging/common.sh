# Shared by the installation tests: a scratch folder removed at the end,
# failures, and a way to run a program as a user who may not write into
# folders that are not theirs.

set -euo pipefail

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-pkg.XXXXXX")
cleanup() {
    chmod -R u+w "$scratch" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

expect_file() {
    [ -f "$1" ] || fail "missing file: $1"
}

expect_same() { # what expected actual
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

# Root may write into any folder, which would hide what a user sees from a
# read-only installation; root runs the program without that power.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --bounding-set=-dac_override,-dac_read_search)
fi

# Makes folder and everything in it read-only, and checks the user really
# cannot write there.
make_read_only() {
    chmod -R a-w "$1"
    if "${as_user[@]}" test -w "$1"; then
        fail "cannot make $1 read-only for the program (is setpriv allowed here?)"
    fi
}

# A fresh home with a private runtime folder; prints its path.
fresh_home() {
    local home
    home=$(mktemp -d "$scratch/home.XXXXXX")
    mkdir -m 700 "$home/.run"
    echo "$home"
}

# Runs a command as the user of a fresh home: only HOME and the runtime
# folder set, so every other folder takes its default under HOME.
in_home() { # home command...
    local home=$1
    shift
    env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME HOME="$home" \
        XDG_RUNTIME_DIR="$home/.run" "${as_user[@]}" "$@"
}

# The files under a folder, one per line, sorted, folders marked with '/'.
tree_of() {
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' \) -o -printf '%P\n' | LC_ALL=C sort)
}
