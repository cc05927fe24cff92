#!/usr/bin/python3
"""A Hayes modem on a pseudo-terminal, for tests of dialling through chat.

    fakemodem.py LINK [--gate FILE] [NUMBER=REPLY[,REPLY...]]...

Makes a pty, links LINK to its terminal side (chat and pppd open LINK as the
modem's serial port), prints the terminal's name and answers what is written
to it: every AT command with OK, ATD<number> with the reply given for that
number (CONNECT when none is given). A list of replies answers successive
dials of the number, the last one repeating. Replies are what modems say
(CONNECT, BUSY, NO CARRIER, NO DIALTONE, NO ANSWER, VOICE) or SILENCE, which
answers nothing so that chat times out. With --gate, a dial is answered only
once FILE exists, so a test can watch a call being placed for as long as it
needs. The modem echoes what it reads, as modems do by default.
"""
import os
import re
import select
import sys
import time
import tty


def main():
    args = sys.argv[1:]
    link = args.pop(0)
    gate = None
    replies = {}
    while args:
        a = args.pop(0)
        if a == '--gate':
            gate = args.pop(0)
            continue
        number, answer = a.split('=', 1)
        replies[number] = answer.split(',')

    master, slave = os.openpty()
    tty.setraw(slave)  # no echo or line editing on the terminal side
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(os.ttyname(slave), link)
    print(os.ttyname(slave), flush=True)

    dials = {}
    pending = b''
    while True:
        select.select([master], [], [])
        try:
            data = os.read(master, 1024)
        except OSError:
            time.sleep(0.05)  # the terminal side is closed for a moment
            continue
        pending += data
        while b'\r' in pending:
            raw, pending = pending.split(b'\r', 1)
            line = raw.decode(errors='replace').strip()
            if not line:
                continue
            os.write(master, (line + '\r').encode())
            command = line.upper()
            dial = re.match(r'ATD[TP]?(.*)', command)
            if dial:
                number = dial.group(1).strip()
                answers = replies.get(number, ['CONNECT'])
                n = dials.get(number, 0)
                dials[number] = n + 1
                reply = answers[min(n, len(answers) - 1)]
                if gate:
                    while not os.path.exists(gate):
                        time.sleep(0.05)
                if reply == 'SILENCE':
                    continue
                if reply == 'CONNECT':
                    reply = 'CONNECT 33600'
                os.write(master, ('\r\n' + reply + '\r\n').encode())
            elif command.startswith('AT'):
                os.write(master, b'\r\nOK\r\n')
            else:
                os.write(master, b'\r\nERROR\r\n')


if __name__ == '__main__':
    main()
