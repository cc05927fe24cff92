#!/usr/bin/env bash
# "Connessione Terminata" comes up above everything; the archive error of its
# final write comes up above the dialog and blocks it; once the archive can
# be written again, "&OK" stores the connection.
. "$(dirname "$0")/harness.sh"
e2e_start
archive=$E2E_FOLDER/Archivio.sto

e2e_cli ras connect Prova >/dev/null
# The first confirmed tick stores the running connection.
e2e_until 10 e2e_has_bytes "$archive" 308 || e2e_fail "the connection was not stored"
e2e_immutable "$archive"
stop=$(e2e_hang_up) || e2e_fail "no end dialog"
e2e_assert_topmost "$stop" "the end dialog"

e2e_key "$stop" Return # "&OK", the default: the final write fails
box=$(e2e_wait_window '^Tarvelo!$') || e2e_fail "no box for the archive that cannot be written"
e2e_assert_topmost "$box" "the archive error over the end dialog"
e2e_shot box >/dev/null
e2e_poke "$stop" 100 257 alt+o # its "&OK"
[ "$(e2e_count_windows '^Tarvelo!$')" = 1 ] || e2e_fail "the blocked dialog tried again"
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the box"
e2e_still_there "$stop" "the end dialog, after a failed write,"

chattr -i "$archive"
e2e_key "$stop" Return
e2e_wait_gone "$stop" || e2e_fail "\"&OK\" did not close the end dialog"
e2e_cli archive list | grep -q 'Prova' || e2e_fail "the connection is not in the archive"
e2e_cli archive list | grep -q 'Connessione In Corso' && e2e_fail "the stored record is still the running one"
e2e_pass
