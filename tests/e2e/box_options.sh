#!/usr/bin/env bash
# The options window's refusals come up above the window, and the window
# takes no input while one is open: a second "&Ok", clicked or typed, must
# not raise a second box.
. "$(dirname "$0")/harness.sh"
e2e_start

e2e_click "$E2E_BAR" 233 10 # the options button
sett=$(e2e_wait_window '^Opzioni\.\.\.$') || e2e_fail "the options window did not open"

# A dial time that is not a whole number, then "&Ok" from the keyboard.
e2e_key "$sett" ctrl+a
e2e_type "$sett" "1,5"
e2e_key "$sett" alt+o
box=$(e2e_wait_window '^Informazione\.\.\.$') || e2e_fail "no box for a dial time of 1,5"
e2e_assert_topmost "$box" "the box over the options window"
e2e_shot box >/dev/null

read -r w h < <(e2e_size "$sett")
e2e_poke "$sett" $((w - 131)) $((h - 21)) alt+o # its "&Ok"
[ "$(e2e_count_windows '^Informazione\.\.\.$')" = 1 ] || e2e_fail "the blocked window raised a second box"
e2e_assert_topmost "$box" "the box, after the click and the key on its window"

# Enter answers the box; the window is usable again.
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the box"
e2e_still_there "$sett" "the options window"

# A plain box (no title of its own) carries the application title, not the
# program file's name: a provider name that is no dial-up entry.
e2e_click "$sett" 158 283 # the "Providers" tab
e2e_click "$sett" 100 40  # the provider's name
e2e_key "$sett" ctrl+a
e2e_type "$sett" "Inesistente"
e2e_key "$sett" alt+s # "&Salva i Dati"
box=$(e2e_wait_window '^Tarvelo!$') || e2e_fail "no plain box titled Tarvelo! for an unknown entry"
e2e_assert_topmost "$box" "the plain box over the options window"
[ "$(e2e_count_windows '^tarvelo$')" = 0 ] || e2e_fail "a box is titled with the program file's name"
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the plain box"
e2e_key "$sett" Escape
e2e_wait_gone "$sett" || e2e_fail "Escape did not close the options window"
e2e_pass
