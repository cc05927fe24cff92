#!/usr/bin/env bash
# The tariff editor opens centred on the screen. Enter typed in its name
# field asks to create the profile, above the editor, which takes no input
# meanwhile; "Sì" from the keyboard creates the profile file.
. "$(dirname "$0")/harness.sh"
e2e_start

e2e_click "$E2E_BAR" 217 10 # the tariff profiles button
ed=$(e2e_wait_window 'Profili Tariffe Telefoniche') || e2e_fail "the tariff editor did not open"
read -r x y < <(e2e_origin "$ed")
read -r w h < <(e2e_size "$ed")
dx=$((x + w / 2 - 512))
dy=$((y + h / 2 - 384))
[ ${dx#-} -le 30 ] && [ ${dy#-} -le 30 ] ||
    e2e_fail "the editor is not centred on the screen: client at $x,$y size ${w}x$h"
e2e_shot editor >/dev/null

e2e_click "$ed" 200 $((h - 40)) # the name field
e2e_key "$ed" ctrl+a
e2e_type "$ed" "Notturna"
e2e_key "$ed" Return
q=$(e2e_wait_window '^Conferma\.\.\.$') || e2e_fail "Enter in the name field asked nothing"
e2e_assert_topmost "$q" "the question over the tariff editor"
e2e_shot question >/dev/null

e2e_poke "$ed" $((w - 45)) $((h - 16)) alt+c # its "&Chiudi"
e2e_still_there "$ed" "the tariff editor, blocked by its question,"
[ "$(e2e_count_windows '^Conferma\.\.\.$')" = 1 ] || e2e_fail "a second question came up"
e2e_assert_topmost "$q" "the question, after the click and the key on the editor"

e2e_key "$q" alt+s # "&Sì"
e2e_wait_gone "$q" || e2e_fail "the question did not close"
[ -f "$E2E_FOLDER/Trf/Notturna.trf" ] || e2e_fail "no Trf/Notturna.trf after Yes"
e2e_key "$ed" Escape
e2e_wait_gone "$ed" || e2e_fail "Escape did not close the editor"
e2e_pass
