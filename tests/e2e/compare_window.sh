#!/usr/bin/env bash
# "Confronta Tariffe..." from the archive window's grid menu, with the mouse
# and the keyboard: the comparison window comes up above the archive window,
# prices today's connections with each profile (a dearer and a cheaper copy
# of the shipped one, and a file that is no profile), opens a row's detail
# on a double click and its help page on F1, and leaves the archive as it was.
. "$(dirname "$0")/harness.sh"
e2e_prepare

# Profiles: the shipped one, the same at 60 % and at 150 % of its rates, and
# a file cut short.
/usr/bin/python3 - "$E2E_FOLDER" <<'PY'
import datetime, struct, sys
folder = sys.argv[1]
sample = open(folder + "/Trf/Telecom Urbana 50%.trf", "rb").read()

def scaled(factor):
    b = bytearray(sample)
    for i in range(80):
        at = 12 + 48 * i + 24  # costo1 of cell i
        (rate,) = struct.unpack_from("<f", b, at)
        if rate > 0:
            struct.pack_into("<f", b, at, rate * factor)
    return bytes(b)

open(folder + "/Trf/Economica.trf", "wb").write(scaled(0.6))
open(folder + "/Trf/Cara.trf", "wb").write(scaled(1.5))
open(folder + "/Trf/Rotta.trf", "wb").write(sample[:100])

# Ten connections today from 09:00, twenty minutes each, stored at 500 Lire,
# without a profile name (what "&Oggi;" lists with an empty profile filter).
def short(text, size):
    data = text.encode("cp1252")
    return bytes([len(data)]) + data + bytes(size - 1 - len(data))

today = (datetime.date.today() - datetime.date(1899, 12, 30)).days
records = b""
for i in range(10):
    start = today + (9 * 3600 + i * 1800) / 86400
    end = start + 1200 / 86400
    records += struct.pack("<ddif", start, end, 0, 500.0)
    records += short("0701234567", 31) + short("Prova", 51)
    records += short("", 51) + short("", 151)
open(folder + "/Archivio.sto", "wb").write(records)
PY
cp "$E2E_FOLDER/Archivio.sto" "$E2E_ROOT/archive-before"
e2e_run

e2e_click "$E2E_BAR" 201 10 # the archive button
ar=$(e2e_wait_window 'Riepilogo delle Connessioni') || e2e_fail "the archive window did not open"
e2e_key "$ar" alt+o # "&Oggi;": today's connections
sleep 0.5
# The right button on the first connection opens the grid's menu; its fourth
# item is "Confronta Tariffe...".
e2e_click "$ar" 300 62 3
e2e_key "$ar" Down Down Down Down Return
cf=$(e2e_wait_window 'Confronto Tariffe') || e2e_fail "\"Confronta Tariffe...\" opened no window"
e2e_assert_topmost "$cf" "the comparison window"
e2e_assert_above "$cf" "$ar" "the comparison window"
sleep 1
e2e_shot comparison >/dev/null

# F1: its help page.
e2e_key "$cf" F1
e2e_until 5 e2e_opened hlp/confronto.htm || e2e_fail "F1 in the comparison window opened no help"

# A double click on the first row: the detail, above the comparison.
read -r ox oy < <(e2e_origin "$cf")
xdotool mousemove --sync $((ox + 80)) $((oy + 28 + 48)) click --repeat 2 --delay 80 1
dt=$(e2e_wait_window 'Dettaglio Confronto') || e2e_fail "a double click on a row opened no detail"
e2e_assert_topmost "$dt" "the detail window"
e2e_shot detail >/dev/null
e2e_key "$dt" Escape
e2e_wait_gone "$dt" || e2e_fail "Escape did not close the detail"

e2e_key "$cf" alt+c # "&Chiudi"
e2e_wait_gone "$cf" || e2e_fail "\"&Chiudi\" did not close the comparison window"
e2e_still_there "$ar" "the archive window"
cmp -s "$E2E_ROOT/archive-before" "$E2E_FOLDER/Archivio.sto" || e2e_fail "the archive changed"
e2e_key "$ar" alt+c
e2e_wait_gone "$ar" || e2e_fail "\"&Chiudi\" did not close the archive window"
e2e_pass
