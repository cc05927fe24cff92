#!/usr/bin/env bash
# Under C.UTF-8 (no Italian names), the archive window opening on a saved
# "Oggi" writes today's date into "Dal" and "Al" and reads it back: no
# "Data Errata !".
. "$(dirname "$0")/harness.sh"
E2E_LANG=C.UTF-8
e2e_prepare
e2e_setting Connessioni oggi '"1"'
e2e_run

e2e_click "$E2E_BAR" 201 10
ar=$(e2e_wait_window 'Riepilogo delle Connessioni') || e2e_fail "the archive window did not open"
sleep 1.5
e2e_shot archive >/dev/null
[ "$(e2e_count_windows '^Errore\.\.\.$')" = 0 ] || e2e_fail "the window refused its own dates"
e2e_key "$ar" alt+r # "&Riselezione" reads the fields again
sleep 0.5
[ "$(e2e_count_windows '^Errore\.\.\.$')" = 0 ] || e2e_fail "reselection refused the dates"
e2e_key "$ar" alt+c
e2e_wait_gone "$ar" || e2e_fail "\"&Chiudi\" did not close the archive window"
e2e_pass
