#!/usr/bin/env bash
# Dialling by itself, from the keyboard: the traffic light's menu item
# "&Connetti", F1 in the dialler and in the credentials prompt, Enter
# closing the prompt; the call then connects and is timed, and Escape in the
# end dialog keeps nothing.
. "$(dirname "$0")/harness.sh"
e2e_start

e2e_click "$E2E_BAR" 9 12 3 # right button on the traffic light
xdotool mousemove 600 600   # off the menu, which the keys then drive
sleep 0.3
# "&Connetti" is the first item ("&Chiudi" shares its mnemonic).
xdotool key Down Return
dial=$(e2e_wait_window '^Auto Composizione\.\.\.$') || e2e_fail "\"&Connetti\" opened no dialler"
e2e_shot dialler >/dev/null
e2e_key "$dial" F1
e2e_until 5 e2e_opened hlp/finavvio.htm || e2e_fail "F1 in the dialler opened no help"
e2e_click "$dial" 160 39 # the provider to start with
e2e_key "$dial" ctrl+a
e2e_type "$dial" "Prova"
e2e_key "$dial" alt+o # "C&onnetti"

# The entry has no telephone number in its provider record yet: the box
# comes up above the dialler.
box=$(e2e_wait_window '^Tarvelo!\.\.\.Prova$') || e2e_fail "no box for the missing number"
e2e_assert_topmost "$box" "the missing number's box over the dialler"
e2e_key "$box" Return
e2e_wait_gone "$box" || e2e_fail "Enter did not close the box"
e2e_cli provider set Prova --phone 0701234567 >/dev/null
e2e_key "$dial" alt+o

cred=$(e2e_wait_window '^Richiesta dati\.\.\.$') || e2e_fail "no credentials prompt"
e2e_assert_above "$cred" "$dial" "the credentials prompt"
e2e_type "$cred" "mario"
e2e_key "$cred" Tab
e2e_type "$cred" "segreta"
: >"$E2E_ROOT/opened"
e2e_key "$cred" F1
e2e_until 5 e2e_opened hlp/finavvio.htm || e2e_fail "F1 in the credentials prompt opened no help"
e2e_key "$cred" Return
e2e_wait_gone "$cred" || e2e_fail "Enter did not close the credentials prompt"

e2e_until 15 sh -c "'$TARVELO_CLI' --folder '$E2E_FOLDER' ras status | grep -qi connesso" ||
    e2e_fail "the dial did not connect: $(e2e_cli ras status)"
sleep 2
e2e_time_runs || e2e_fail "the dialled call is not timed"
e2e_shot connected >/dev/null

stop=$(e2e_hang_up) || e2e_fail "no end dialog"
e2e_assert_topmost "$stop" "the end dialog"
e2e_key "$stop" Escape
e2e_wait_gone "$stop" || e2e_fail "Escape did not close the end dialog"
e2e_pass
