#!/usr/bin/python3
"""A pyftpdlib server for the upload tests: prints "PORT <n>" once it listens on 127.0.0.1.

Usage: pyftpd_server.py <port or 0> <root folder> <user> <password as hex of its bytes>
       [<masquerade address>]
"""
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class Windows1252Handler(FTPHandler):
    """Command lines are Windows-1252 bytes; latin-1 keeps each byte as one character."""

    def decode(self, bytes):
        return bytes.decode("latin-1")


def main():
    port, root, user, password_hex = sys.argv[1:5]
    # The password travels as Windows-1252 bytes; latin-1 keeps every byte as one character.
    password = bytes.fromhex(password_hex).decode("latin-1")
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler = Windows1252Handler
    handler.authorizer = authorizer
    handler.auth_failed_timeout = 0
    if len(sys.argv) > 5:
        handler.masquerade_address = sys.argv[5]
    if os.environ.get("KORVALESEN_FTPD_DEBUG"):
        # Logs every command ("<- ") and reply ("-> ") to standard error, for the benchmark.
        logging.basicConfig(level=logging.DEBUG)
    server = FTPServer(("127.0.0.1", int(port)), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
