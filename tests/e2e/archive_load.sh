#!/usr/bin/env bash
# A long archive opens without freezing anything: while the archive window
# reads it, a strip under the grid shows how far it got and the bar's time
# goes on. Escape stops the reading (the window stays, the strip says how far
# it got); Escape again closes the window.
#
# 200,000 connections read 1,000 a slice every 20 ms (TARVELO_TEST_LOAD_PACE):
# a reading of some seconds from an archive made in a moment.
. "$(dirname "$0")/harness.sh"
e2e_prepare

# The archive: connections of 2001, one every 2 minutes, 100 Lire each; a
# saved query "Tutto" over 2001 is the current one.
/usr/bin/python3 - "$E2E_FOLDER" <<'EOF'
import struct, sys
folder = sys.argv[1]
def text(s, n):
    b = s.encode('latin-1')
    return bytes([len(b)]) + b + bytes(n - len(b))
day0 = 36892.0  # 1 January 2001
with open(folder + '/Archivio.sto', 'wb') as f:
    out = bytearray()
    for i in range(200000):
        start = day0 + i * 120 / 86400
        out += struct.pack('<ddif', start, start + 60 / 86400, i, 100.0)
        out += text('0701234567', 30) + text('Prova', 50) + text('Urbana', 50) + text('', 150)
    f.write(out)
q = text('Tutto', 60) + bytes(3) + struct.pack('<dd', day0, day0 + 364) + text('', 30) \
    + text('', 50) + b'\x01' + text('', 50) + b'\x01' + bytes(1) + bytes(16) \
    + text('', 60) + text('', 60) + text('0300', 4) + bytes(1) + struct.pack('<H', 364) + bytes(2)
assert len(q) == 364
import os
os.makedirs(folder + '/Int', exist_ok=True)
open(folder + '/Int/Tutto.int', 'wb').write(q)
EOF
[ "$(e2e_bytes "$E2E_FOLDER/Archivio.sto")" = $((200000 * 308)) ] || e2e_fail "the archive was not made"
e2e_setting Connessioni FDescrizioneAttuale '"Tutto"'
export TARVELO_TEST_LOAD_PACE=1000/20
e2e_run

# A running connection, so that the bar's time moves.
e2e_cli ras connect Prova >/dev/null
sleep 2

e2e_click "$E2E_BAR" 201 10 # the archive button
ar=$(e2e_wait_window 'Riepilogo delle Connessioni') || e2e_fail "the archive window did not open"
read -r ax ay < <(e2e_origin "$ar")
strip="761x26+$((ax + 4))+$((ay + 295))"
sleep 0.5
first=$(e2e_shot strip1 "$strip")
e2e_shot loading >/dev/null
e2e_time_runs || e2e_fail "the bar's time stood still while the archive was read"
second=$(e2e_shot strip2 "$strip")
! cmp -s "$first" "$second" || e2e_fail "the progress strip did not move while the archive was read"
e2e_still_there "$ar" "the archive window, while it read,"

# Escape stops the reading and leaves the window open.
e2e_key "$ar" Escape
sleep 0.5
e2e_still_there "$ar" "the archive window, after Escape stopped the reading,"
stopped=$(e2e_shot stopped "$strip")
sleep 1
again=$(e2e_shot stopped2 "$strip")
cmp -s "$stopped" "$again" || e2e_fail "the reading went on after Escape"
e2e_key "$ar" Escape
e2e_wait_gone "$ar" || e2e_fail "Escape did not close the archive window once nothing ran"
e2e_pass
