#!/usr/bin/env bash
# The bar never stops: while the box about an archive that cannot be opened
# is up, the time goes on, and a connection that drops meanwhile ends when
# it drops.
. "$(dirname "$0")/harness.sh"
e2e_prepare
archive=$E2E_FOLDER/Archivio.sto
: >"$archive"
e2e_immutable "$archive"
e2e_run

start=$(date +%s)
e2e_cli ras connect Prova >/dev/null
box=$(e2e_wait_window '^Tarvelo!$') || e2e_fail "no box for the archive that cannot be opened"
e2e_assert_topmost "$box" "the archive error"
sleep 1.5
e2e_time_runs || e2e_fail "the bar's time stood still while the box was up"
e2e_shot box >/dev/null
e2e_still_there "$box" "the archive error"

# Dropped while the box is still up: the end dialog comes at once.
dropped=$(date +%s)
stop=$(e2e_hang_up 5) || e2e_fail "the drop went unnoticed while the box was up"
e2e_assert_topmost "$stop" "the end dialog"
sleep 3 # the user takes their time; the end stays the time of the drop
chattr -i "$archive"
e2e_key "$stop" Return
e2e_wait_gone "$stop" || e2e_fail "Enter did not answer the end dialog"
seconds=$(e2e_cli archive list | awk -F'\t' 'NR > 1 {print $4}' | tail -n 1)
[ -n "$seconds" ] || e2e_fail "the connection is not in the archive"
[ "$seconds" -le $((dropped - start + 1)) ] ||
    e2e_fail "the stored connection lasts $seconds s; it dropped after $((dropped - start)) s"
e2e_pass
