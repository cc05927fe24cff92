#!/usr/bin/env bash
# A cost of seven digits is shown whole: the cost field widens and the bar
# with it, its buttons moved along and still answering.
. "$(dirname "$0")/harness.sh"
e2e_prepare
e2e_setting Sett IVA dword:000f4240 # 1000000 per cent: seven digits within seconds
e2e_run

e2e_cli ras connect Prova >/dev/null
e2e_until 10 sh -c "[ \$(xwininfo -id $E2E_BAR | awk '/Width:/ {print \$2}') -gt 300 ]" ||
    e2e_fail "the bar did not widen for a cost of seven digits"
sleep 1
read -r bx by < <(e2e_origin "$E2E_BAR")
read -r w h < <(e2e_size "$E2E_BAR")
e2e_shot bar "$((w + 10))x$((h + 10))+$bx+$by" >/dev/null
e2e_shot screen >/dev/null
# The archive button, moved right by as much as the bar grew.
e2e_click "$E2E_BAR" $((201 + w - 300)) 10
ar=$(e2e_wait_window 'Riepilogo delle Connessioni') || e2e_fail "the moved archive button does not answer"
e2e_key "$ar" Escape
e2e_wait_gone "$ar" || e2e_fail "Escape did not close the archive window"
e2e_pass
