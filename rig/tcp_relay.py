#!/usr/bin/python3
"""Joins standard input and output to a TCP connection to HOST PORT, for the rig's virtual
machine, whose network starts it once per connection it forwards. Each side's end of sending is
passed on as such, so that an FTP data connection ends as the sender ends it.

Usage: tcp_relay.py HOST PORT
"""
import os
import select
import socket
import sys


def main():
    host, port = sys.argv[1], int(sys.argv[2])
    # The machine's network hands over the connection on all three standard descriptors.
    os.dup2(os.open(os.devnull, os.O_WRONLY), 2)
    peer = socket.create_connection((host, port))
    local = socket.socket(fileno=os.dup(0))
    open_sides = {local: peer, peer: local}
    while open_sides:
        readable, _, _ = select.select(list(open_sides), [], [])
        for source in readable:
            data = source.recv(65536)
            target = open_sides[source]
            if data:
                target.sendall(data)
                continue
            del open_sides[source]
            try:
                target.shutdown(socket.SHUT_WR)
            except OSError:
                pass


if __name__ == "__main__":
    main()
