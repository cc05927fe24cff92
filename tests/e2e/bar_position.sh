#!/usr/bin/env bash
# A bar saved partly off the screen (MainLeft 900 on a 1024-pixel screen)
# comes up wholly on it, its exit button within reach.
. "$(dirname "$0")/harness.sh"
e2e_prepare
e2e_setting Main MainLeft dword:00000384 # 900
e2e_setting Main MainTop dword:00000064  # 100
e2e_run
read -r x y < <(e2e_origin "$E2E_BAR")
read -r w h < <(e2e_size "$E2E_BAR")
[ "$x,$y" = "$((1024 - w)),100" ] || e2e_fail "the bar is at $x,$y, ${w} pixels wide"
e2e_shot bar >/dev/null
# Its exit button answers.
e2e_click "$E2E_BAR" 285 10
e2e_wait_gone "$E2E_BAR" || e2e_fail "the exit button did not end the program"
e2e_pass
