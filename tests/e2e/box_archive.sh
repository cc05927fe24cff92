#!/usr/bin/env bash
# Boxes of the archive window come up above it and block it. Enter typed in
# "Descrizione" saves a new query as Int/<name>.int.
. "$(dirname "$0")/harness.sh"
e2e_start

e2e_click "$E2E_BAR" 201 10 # the archive button
ar=$(e2e_wait_window 'Riepilogo delle Connessioni') || e2e_fail "the archive window did not open"

# No saved query and no dates: "&Riselezione" finds the dates wrong.
e2e_key "$ar" alt+r
box=$(e2e_wait_window '^Errore\.\.\.$') || e2e_fail "no box for the missing dates"
e2e_assert_topmost "$box" "\"Data Errata !\" over the archive window"
e2e_poke "$ar" 710 469 alt+c # its "&Chiudi"
e2e_still_there "$ar" "the archive window, blocked by its box,"
[ "$(e2e_count_windows '^Errore\.\.\.$')" = 1 ] || e2e_fail "a second box came up"
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the box"
box=$(e2e_wait_window '^Errore\.\.\.$') || e2e_fail "no \"Dati della Selezione Errati !\""
e2e_assert_topmost "$box" "\"Dati della Selezione Errati !\" over the archive window"
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the second box"

# Today's period, then a new query typed in "Descrizione" and Enter.
e2e_key "$ar" alt+o # "&Oggi;"
e2e_click "$ar" 263 388 # the description field
e2e_key "$ar" ctrl+a
e2e_type "$ar" "Serale"
e2e_key "$ar" Return
info=$(e2e_wait_window '^Tarvelo!\.\.\.$') || e2e_fail "Enter in Descrizione saved nothing"
e2e_assert_topmost "$info" "\"La nuova descrizione è stata salvata.\" over the archive window"
[ -f "$E2E_FOLDER/Int/Serale.int" ] || e2e_fail "no Int/Serale.int"
e2e_key "$info" Return
e2e_wait_gone "$info" || e2e_fail "Enter did not close the message"

# A question: the window stays blocked until it is answered (No, by Escape).
e2e_key "$ar" alt+e # "&Elimina"
q=$(e2e_wait_window '^Conferma\.\.\.$') || e2e_fail "\"&Elimina\" asked nothing"
e2e_assert_topmost "$q" "\"Elimino la Descrizione Selezionata ?\" over the archive window"
e2e_shot question >/dev/null
e2e_poke "$ar" 710 469 alt+c
e2e_still_there "$ar" "the archive window, blocked by its question,"
e2e_key "$q" Escape
e2e_wait_gone "$q" || e2e_fail "Escape did not answer the question"
[ -f "$E2E_FOLDER/Int/Serale.int" ] || e2e_fail "No deleted the query all the same"

e2e_key "$ar" alt+c
e2e_wait_gone "$ar" || e2e_fail "\"&Chiudi\" did not close the archive window"
e2e_pass
