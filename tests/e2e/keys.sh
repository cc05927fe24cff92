#!/usr/bin/env bash
# The keyboard paths of the windows, typed as a user would: F1 opens each
# window's help page, the grid's arrow keys move its selection and Del asks
# to empty a cell, Escape answers a question No and closes a window,
# mnemonics press their buttons.
. "$(dirname "$0")/harness.sh"
e2e_start

e2e_key "$E2E_BAR" F1
e2e_until 5 e2e_opened hlp/index.htm || e2e_fail "F1 on the bar opened no help"

# The tariff editor.
e2e_click "$E2E_BAR" 217 10
ed=$(e2e_wait_window 'Profili Tariffe Telefoniche') || e2e_fail "the tariff editor did not open"
e2e_key "$ed" F1
e2e_until 5 e2e_opened hlp/profilitar.htm || e2e_fail "F1 in the tariff editor opened no help"
read -r x y < <(e2e_origin "$ed")
grid="490x297+$((x + 36))+$((y + 20))"
e2e_click "$ed" 128 39 # Monday's first band
before=$(e2e_shot grid-before "$grid")
e2e_key "$ed" Right
after=$(e2e_shot grid-after "$grid")
cmp -s "$before" "$after" && e2e_fail "the Right key did not move the grid's selection"
e2e_key "$ed" Delete
q=$(e2e_wait_window '^Conferma\.\.\.$') || e2e_fail "Del on the grid asked nothing"
e2e_assert_topmost "$q" "\"Svuoto la Cella Selezionata ?\""
e2e_key "$q" Escape
e2e_wait_gone "$q" || e2e_fail "Escape did not answer the question"
e2e_key "$ed" alt+c # "&Chiudi"
e2e_wait_gone "$ed" || e2e_fail "\"&Chiudi\" did not close the editor"

# The archive window.
e2e_click "$E2E_BAR" 201 10
ar=$(e2e_wait_window 'Riepilogo delle Connessioni') || e2e_fail "the archive window did not open"
e2e_key "$ar" F1
e2e_until 5 e2e_opened hlp/riepconness.htm || e2e_fail "F1 in the archive window opened no help"
e2e_key "$ar" Escape
e2e_wait_gone "$ar" || e2e_fail "Escape did not close the archive window"

# The options window.
e2e_click "$E2E_BAR" 233 10
sett=$(e2e_wait_window '^Opzioni\.\.\.$') || e2e_fail "the options window did not open"
e2e_key "$sett" F1
e2e_until 5 e2e_opened hlp/opzavvio.htm || e2e_fail "F1 in the options window opened no help"
e2e_key "$sett" alt+c # "&Chiudi"
e2e_wait_gone "$sett" || e2e_fail "\"&Chiudi\" did not close the options window"
e2e_pass
