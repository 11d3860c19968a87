#!/usr/bin/python3
"""An FTP server on 127.0.0.1 that misbehaves in one way, for the upload benchmark.

  hostile_ftpd.py MODE    prints "PORT <n>" and serves one session:
    line       the greeting is one line of 64 MiB
    endless    the greeting is a multi-line reply that never ends (until the client closes,
               at most 8 GiB)
    listing    logs in willingly, then the listing of the login folder is 200 MB of short
               lines
"""
import socket
import sys

BLOCK = 1 << 16


def send_all(sock, data):
    try:
        sock.sendall(data)
        return True
    except OSError:
        return False


def flood(sock, unit, total):
    block = unit * (BLOCK // len(unit))
    sent = 0
    while sent < total and send_all(sock, block):
        sent += len(block)


def read_line(stream):
    line = stream.readline()
    return line.decode("latin-1").strip()


def serve_listing(control):
    stream = control.makefile("rb")
    send_all(control, b"220 hostile\r\n")
    data_listener = None
    while True:
        command = read_line(stream)
        if not command:
            return
        verb = command.split(" ")[0].upper()
        if verb == "USER":
            send_all(control, b"331 password\r\n")
        elif verb == "PASS":
            send_all(control, b"230 in\r\n")
        elif verb == "TYPE":
            send_all(control, b"200 type\r\n")
        elif verb == "SYST":
            send_all(control, b"215 UNIX Type: L8\r\n")
        elif verb == "PASV":
            data_listener = socket.socket()
            data_listener.bind(("127.0.0.1", 0))
            data_listener.listen(1)
            port = data_listener.getsockname()[1]
            send_all(control, b"227 Entering Passive Mode (127,0,0,1,%d,%d)\r\n"
                     % (port // 256, port % 256))
        elif verb in ("LIST", "NLST"):
            send_all(control, b"150 here\r\n")
            data, _ = data_listener.accept()
            flood(data, b"a\r\n", 200 * 1000 * 1000)
            data.close()
            send_all(control, b"226 done\r\n")
        else:
            send_all(control, b"250 ok\r\n")


def main():
    mode = sys.argv[1]
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    control, _ = listener.accept()
    if mode == "line":
        send_all(control, b"220 ")
        flood(control, b"x", 64 << 20)
        send_all(control, b"\r\n")
    elif mode == "endless":
        send_all(control, b"220-hostile\r\n")
        flood(control, b"220-more\r\n", 8 << 30)
    else:
        serve_listing(control)
    control.close()


if __name__ == "__main__":
    main()
