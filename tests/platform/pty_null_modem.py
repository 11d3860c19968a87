#!/usr/bin/python3
"""A null-modem pair of ptys for the comm device tests under Wine.

Usage: pty_null_modem.py <dosdevices folder> <near name> <far name> <stop file>

Links <near name> and <far name> (com41, com42) in the Wine prefix's dosdevices folder to the
slaves of two raw ptys and copies bytes between their masters, until the stop file appears
(or after 120 s); then removes the links and, last, the stop file, which tells the test that
the links are gone.
"""
import os
import pty
import select
import sys
import time
import tty


def main():
    folder, near, far, stop = sys.argv[1:5]
    pairs = [pty.openpty(), pty.openpty()]
    links = []
    for (master, slave), name in zip(pairs, (near, far)):
        tty.setraw(slave)
        link = os.path.join(folder, name)
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.ttyname(slave), link)
        links.append(link)
    masters = [pairs[0][0], pairs[1][0]]
    end = time.monotonic() + 120
    try:
        while not os.path.exists(stop) and time.monotonic() < end:
            ready, _, _ = select.select(masters, [], [], 0.05)
            for source in ready:
                target = masters[1] if source == masters[0] else masters[0]
                try:
                    os.write(target, os.read(source, 4096))
                except OSError:
                    pass
    finally:
        for link in links:
            os.remove(link)
        if os.path.exists(stop):
            os.remove(stop)


if __name__ == "__main__":
    main()
