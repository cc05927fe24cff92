#!/usr/bin/env bash
# One whole simulated call: the light blinks while the call is set up, the
# time runs once it is confirmed, and the end dialog is answered from the
# keyboard (a description through "&Descrizione", then Enter).
. "$(dirname "$0")/harness.sh"
e2e_start

e2e_cli ras connecting Prova >/dev/null
sleep 2
e2e_cli ras connect Prova >/dev/null
sleep 2
e2e_time_runs || e2e_fail "the bar's time stands still during the call"
e2e_shot connected >/dev/null

stop=$(e2e_hang_up) || e2e_fail "no end dialog"
e2e_assert_topmost "$stop" "the end dialog"
e2e_shot end-dialog >/dev/null

# F1: this window has no help page.
e2e_key "$stop" F1
box=$(e2e_wait_window '^Tarvelo!\.\.\.$') || e2e_fail "F1 showed nothing"
e2e_assert_topmost "$box" "\"Nessun aiuto per questa finestra.\" over the end dialog"
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the box"

e2e_key "$stop" alt+d # "&Descrizione"
edit=$(e2e_wait_window '^Modifica dati Connessione$') || e2e_fail "\"&Descrizione\" opened nothing"
e2e_assert_topmost "$edit" "the edit dialog"
e2e_key "$edit" Tab Tab # provider, telephone, description
e2e_type "$edit" "Posta del mattino"
e2e_key "$edit" alt+o # "&Ok"
e2e_wait_gone "$edit" || e2e_fail "\"&Ok\" did not close the edit dialog"
stop=$(e2e_wait_window '^Connessione Terminata$') || e2e_fail "the end dialog did not come back"
e2e_key "$stop" Return
e2e_wait_gone "$stop" || e2e_fail "Enter did not answer the end dialog"
e2e_until 5 xwininfo -id "$E2E_BAR" | grep -q IsViewable || e2e_fail "the bar did not come back"

list=$(e2e_cli archive list)
echo "$list" | grep -q 'Posta del mattino' || e2e_fail "the description was not stored: $list"
e2e_pass
