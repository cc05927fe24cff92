# Shared harness of the end-to-end tests: the real tarvelo in a private
# program folder and home, under a private X server (Xvfb, its display picked
# with -displayfd so parallel runs never share one) with the openbox window
# manager, driven with real X input through xdotool.
#
# A scenario sources this file, calls e2e_start, then drives the program with
# the helpers below. It exits 0 when it passes, 1 when it fails and 77 (a
# skip for CTest) only when no X server can start here, or when the machine
# refuses to make a file unwritable for a scenario that needs one.
#
# Environment: TARVELO_BIN, TARVELO_CLI (the built programs), TARVELO_SOURCE_DIR;
# TARVELO_E2E_SHOTS: keep the screenshots in this folder (otherwise they are
# kept only when the scenario fails).

set -euo pipefail

E2E_SKIP=77
: "${TARVELO_BIN:?}" "${TARVELO_CLI:?}" "${TARVELO_SOURCE_DIR:?}"

E2E_NAME=$(basename "$0" .sh)
E2E_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/tarvelo-e2e-$E2E_NAME.XXXXXX")
E2E_FOLDER=$E2E_ROOT/prog
E2E_SHOTS=${TARVELO_E2E_SHOTS:-$E2E_ROOT/shots}
mkdir -p "$E2E_SHOTS"

e2e_xvfb_pid=
e2e_wm_pid=
e2e_program_pid=
e2e_failed=1

e2e_log() { echo "[$E2E_NAME $(date +%T)] $*" >&2; }

e2e_cleanup() {
    set +e
    [ -n "$e2e_program_pid" ] && kill "$e2e_program_pid" 2>/dev/null && wait "$e2e_program_pid" 2>/dev/null
    [ -n "$e2e_wm_pid" ] && kill "$e2e_wm_pid" 2>/dev/null
    [ -n "$e2e_xvfb_pid" ] && kill "$e2e_xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    # Files made immutable by a scenario must not outlive it.
    command -v chattr >/dev/null && chattr -R -i "$E2E_ROOT" 2>/dev/null
    if [ "$e2e_failed" = 1 ]; then
        e2e_log "kept for inspection: $E2E_ROOT (program output: $E2E_ROOT/program.log)"
        [ -f "$E2E_ROOT/program.log" ] && tail -n 20 "$E2E_ROOT/program.log" >&2
    else
        [ -n "${TARVELO_E2E_SHOTS:-}" ] || rm -rf "$E2E_ROOT"
        [ -z "${TARVELO_E2E_SHOTS:-}" ] || rm -rf "$E2E_FOLDER" "$E2E_ROOT/home"
    fi
}
trap e2e_cleanup EXIT

e2e_skip() {
    echo "SKIP: $*"
    e2e_failed=0
    exit $E2E_SKIP
}

e2e_fail() {
    e2e_log "FAIL: $*"
    e2e_shot failure || true
    exit 1
}

e2e_pass() {
    e2e_failed=0
    e2e_log "passed"
    exit 0
}

# ---- X server, window manager ---------------------------------------------

e2e_start_x() {
    local tool
    command -v Xvfb >/dev/null || e2e_skip "no X server can start here: Xvfb is not installed"
    for tool in openbox xdotool xprop xwininfo xdpyinfo import; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed: run bash scripts/install-deps.sh"
    done
    : >"$E2E_ROOT/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$E2E_ROOT/display" \
        >"$E2E_ROOT/xvfb.log" 2>&1 &
    e2e_xvfb_pid=$!
    local i
    for i in $(seq 100); do
        grep -q . "$E2E_ROOT/display" && break
        kill -0 "$e2e_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -q . "$E2E_ROOT/display" || e2e_skip "no X server can start here: $(tail -n 3 "$E2E_ROOT/xvfb.log" | tr '\n' ' ')"
    export DISPLAY=":$(head -n 1 "$E2E_ROOT/display")"
    xdpyinfo >/dev/null 2>&1 || e2e_skip "the X server on $DISPLAY does not answer"
    # The window manager is up once it announces itself on the root window;
    # one that gives up at once (a display still settling) is started again.
    local attempt
    for attempt in 1 2 3; do
        openbox --sm-disable >>"$E2E_ROOT/openbox.log" 2>&1 &
        e2e_wm_pid=$!
        for i in $(seq 100); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
            kill -0 "$e2e_wm_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$e2e_wm_pid" 2>/dev/null || true
        sleep 0.5
    done
    e2e_fail "openbox did not start on $DISPLAY: $(tail -n 3 "$E2E_ROOT/openbox.log" | tr '\n' ' ')"
}

# ---- program folder, home, settings ----------------------------------------

# A fresh program folder (the programs, help pages, sample profiles, one
# simulated dial-up entry "Prova") and a private home.
e2e_make_folder() {
    mkdir -p "$E2E_FOLDER/hlp" "$E2E_FOLDER/Trf"
    cp "$TARVELO_BIN" "$TARVELO_CLI" "$E2E_FOLDER/"
    cp "$TARVELO_SOURCE_DIR"/data/hlp/*.htm "$E2E_FOLDER/hlp/"
    cp "$TARVELO_SOURCE_DIR"/data/Trf/* "$E2E_FOLDER/Trf/"
    e2e_cli ras add Prova --phone 0701234567 >/dev/null
    export HOME=$E2E_ROOT/home
    export XDG_CONFIG_HOME=$HOME/config XDG_DATA_HOME=$HOME/data XDG_RUNTIME_DIR=$HOME/runtime
    mkdir -p "$XDG_CONFIG_HOME/tarvelo" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    printf 'REGEDIT4\r\n\r\n' >"$XDG_CONFIG_HOME/tarvelo/HKCU.reg"
    # Help and web pages are "opened" by a stand-in that notes them in
    # $E2E_ROOT/opened: no browser starts during a test.
    mkdir -p "$E2E_ROOT/bin"
    printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$E2E_ROOT" >"$E2E_ROOT/bin/xdg-open"
    chmod +x "$E2E_ROOT/bin/xdg-open"
}

# e2e_opened TEXT: a page whose address holds TEXT was opened.
e2e_opened() {
    grep -qF -- "$1" "$E2E_ROOT/opened" 2>/dev/null
}

# e2e_setting SECTION NAME VALUE: a value of the settings file, VALUE as the
# file writes it ('dword:00000384', '"1"'). Call before e2e_run.
e2e_setting() {
    printf '[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\%s]\r\n"%s"=%s\r\n\r\n' "$1" "$2" "$3" \
        >>"$XDG_CONFIG_HOME/tarvelo/HKCU.reg"
}

e2e_cli() { "$E2E_FOLDER/tarvelo-cli" --folder "$E2E_FOLDER" "$@"; }

# Everything up to a running program with its bar shown. Extra settings are
# given with e2e_setting between e2e_prepare and e2e_run.
e2e_prepare() {
    e2e_start_x
    e2e_make_folder
}

# Starts the program (LANG defaults to Italian) and waits for its bar.
e2e_run() {
    (cd "$E2E_FOLDER" && exec env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u BROWSER -u WAYLAND_DISPLAY \
        PATH="$E2E_ROOT/bin:$PATH" QT_QPA_PLATFORM=xcb LANG="${E2E_LANG:-it_IT.UTF-8}" \
        LC_ALL="${E2E_LANG:-it_IT.UTF-8}" ./tarvelo) >"$E2E_ROOT/program.log" 2>&1 &
    e2e_program_pid=$!
    E2E_BAR=$(e2e_wait_window '^Tarvelo !$' 20) || e2e_fail "the bar did not appear"
}

e2e_start() {
    e2e_prepare
    e2e_run
}

# ---- windows ------------------------------------------------------------------

# e2e_wait_window REGEX [SECONDS]: prints the id of a shown window whose title
# matches, once there is one.
e2e_wait_window() {
    local regex=$1 seconds=${2:-10} i id
    for i in $(seq $((seconds * 10))); do
        id=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | tail -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# e2e_wait_gone ID [SECONDS]: waits until the window is no longer shown.
e2e_wait_gone() {
    local id=$1 seconds=${2:-10} i
    for i in $(seq $((seconds * 10))); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || return 0
        sleep 0.1
    done
    return 1
}

# How many shown windows have a title matching REGEX.
e2e_count_windows() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l
}

# The topmost client window in the window manager's stacking order.
e2e_topmost() {
    local top
    top=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-fA-F]*' | tail -n 1)
    printf '%d\n' "${top:-0}"
}

# e2e_assert_topmost ID WHAT: the window is above every other window.
e2e_assert_topmost() {
    local top
    top=$(e2e_topmost)
    [ "$top" = "$1" ] ||
        e2e_fail "$2 is not the topmost window (topmost: $(xdotool getwindowname "$top" 2>/dev/null) [$top]; stacking: $(xprop -root _NET_CLIENT_LIST_STACKING))"
}

# e2e_assert_above ID UNDER WHAT: the window is stacked above the window
# UNDER (for windows outside the always-on-top layer, which the bar keeps
# above them all).
e2e_assert_above() {
    local order
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-fA-F]*' | while read -r w; do printf '%d\n' "$w"; done)
    local above under
    above=$(echo "$order" | grep -nx "$1" | cut -d: -f1)
    under=$(echo "$order" | grep -nx "$2" | cut -d: -f1)
    [ -n "$above" ] && [ -n "$under" ] && [ "$above" -gt "$under" ] ||
        e2e_fail "$3 is not above its window (stacking: $(xprop -root _NET_CLIENT_LIST_STACKING))"
}

# The screen position of a window's client area: "X Y".
e2e_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

# "W H" of a window's client area.
e2e_size() {
    xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'
}

# e2e_click ID X Y [BUTTON]: a click at client coordinates of the window.
e2e_click() {
    local ox oy
    read -r ox oy < <(e2e_origin "$1")
    xdotool mousemove --sync $((ox + $2)) $((oy + $3)) click "${4:-1}"
    sleep 0.3
}

# Gives the window the keyboard focus, as a click on it would. A window
# blocked by a box may never become active: then it gets the X focus only.
e2e_focus() {
    timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
}

# e2e_key ID KEY...: key presses to the window, as typed on the keyboard.
e2e_key() {
    local id=$1
    shift
    e2e_focus "$id"
    xdotool key --clearmodifiers "$@"
    # Xvfb can keep a key held down after a synthetic press, and the repeating
    # key would then answer every box that follows.
    xdotool keyup Return Escape alt ctrl shift
    sleep 0.3
}

# e2e_type ID TEXT: text typed into the window's focused field.
e2e_type() {
    e2e_focus "$1"
    xdotool type --delay 30 "$2"
    sleep 0.2
}

# e2e_shot NAME [WxH+X+Y]: a screenshot of the screen, or of a part of it.
e2e_shot() {
    local file=$E2E_SHOTS/$E2E_NAME-$1.png
    if [ -n "${2:-}" ]; then
        import -window root -crop "$2" "$file" 2>/dev/null
    else
        import -window root "$file" 2>/dev/null
    fi
    echo "$file"
}

# e2e_still_there ID WHAT: the window is still shown.
e2e_still_there() {
    xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || e2e_fail "$2 went away"
}

# e2e_poke ID X Y KEY: tries the window with a click at (X, Y) and a key;
# while a box blocks the window, neither must do anything (the caller checks
# what they would have done).
e2e_poke() {
    e2e_click "$1" "$2" "$3"
    xdotool windowfocus "$1" 2>/dev/null || true
    xdotool key --clearmodifiers "$4"
    xdotool keyup Return Escape alt ctrl shift
    sleep 0.5
}

# e2e_bytes FILE: the size of a file, 0 when there is none.
e2e_bytes() {
    if [ -f "$1" ]; then stat -c %s "$1"; else echo 0; fi
}

# e2e_has_bytes FILE N: the file is N bytes long (for e2e_until).
e2e_has_bytes() {
    [ "$(e2e_bytes "$1")" = "$2" ]
}

# e2e_immutable FILE: makes a file unwritable even for root; skips the
# scenario where the file system or the user cannot.
e2e_immutable() {
    command -v chattr >/dev/null || e2e_skip "chattr is not installed"
    chattr +i "$1" 2>/dev/null || e2e_skip "chattr +i is refused here (needs root on ext4 or similar)"
}

# e2e_hang_up [SECONDS]: the simulated connection drops; prints the id of the
# end dialog once it is up.
e2e_hang_up() {
    e2e_cli ras drop >/dev/null
    e2e_wait_window '^Connessione Terminata$' "${1:-10}"
}

# e2e_time_runs: the bar's time field shows another time two seconds later
# (its crops are kept among the screenshots as time1 and time2).
e2e_time_runs() {
    local bx by first second field
    read -r bx by < <(e2e_origin "$E2E_BAR")
    field="59x17+$((bx + 82))+$((by + 2))"
    first=$(e2e_shot time1 "$field")
    sleep 2
    second=$(e2e_shot time2 "$field")
    ! cmp -s "$first" "$second"
}

# e2e_until SECONDS CMD...: polls CMD until it succeeds.
e2e_until() {
    local seconds=$1 i
    shift
    for i in $(seq $((seconds * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
