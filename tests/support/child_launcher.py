#!/usr/bin/python3
"""Runs a Windows test program under Wine and starts Linux programs as its child processes.

Usage: child_launcher.py [--virtual-display] <command...>

Wine starts a Linux program by its path but gives the caller neither its output nor a way to
wait for it or end it. This runs the command with KORVALESEN_CHILD_LAUNCHER set to a port on
127.0.0.1 where it takes requests, one connection per child:

  request:  hex fields separated by blanks, each "-" when empty: the working directory, the
            program, its arguments; then a line end
  answer:   "S\\n" once the child runs, or "F<message>\\n" when it cannot be started;
            its standard output as "D<count>\\n<bytes>"; its end as "X<status>\\n"
            (128 plus the signal when a signal ended it)

A connection that closes before the child has ended kills the child. When the command ends,
every child left is killed; the command's exit status is this program's.

With --virtual-display the command and the children share an X display of their own (Xvfb,
which picks a free display number itself), since Wine needs one for a window.
"""
import ctypes
import os
import select
import signal
import socket
import subprocess
import sys
import threading

PR_SET_PDEATHSIG = 1

children = set()
children_lock = threading.Lock()


def die_with_launcher():
    """A child is killed when the thread that started it ends (the launcher killed, say)."""
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def field(text):
    return b"" if text == b"-" else bytes.fromhex(text.decode("ascii"))


def status_of(returncode):
    return 128 - returncode if returncode < 0 else returncode


def end(child):
    if child.poll() is None:
        child.kill()
    child.wait()
    with children_lock:
        children.discard(child)


def serve(connection):
    with connection:
        request = b""
        while not request.endswith(b"\n"):
            block = connection.recv(4096)
            if not block:
                return
            request += block
        fields = [field(text) for text in request.split()]
        directory, command = fields[0] or None, fields[1:]
        if not command or not os.access(command[0], os.X_OK):
            connection.sendall(b"Fprogram missing: %s\n" % (command[0] if command else b""))
            return
        try:
            child = subprocess.Popen(command, cwd=directory, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.PIPE, preexec_fn=die_with_launcher)
        except OSError as error:
            connection.sendall(b"F%s\n" % str(error).encode())
            return
        with children_lock:
            children.add(child)
        try:
            connection.sendall(b"S\n")
            output = child.stdout.fileno()
            while True:
                waiting = [connection] if output is None else [connection, output]
                ready, _, _ = select.select(waiting, [], [], 0.05 if output is None else None)
                if connection in ready and not connection.recv(4096):
                    return
                if output in ready:
                    block = os.read(output, 65536)
                    if block:
                        connection.sendall(b"D%d\n" % len(block) + block)
                    else:
                        output = None
                if output is None and child.poll() is not None:
                    connection.sendall(b"X%d\n" % status_of(child.returncode))
                    return
        except OSError:
            return
        finally:
            end(child)
            child.stdout.close()


def accept(listener):
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(connection,), daemon=True).start()


def start_display():
    """Starts Xvfb on a free display; returns it and the display's name once it accepts."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp"],
                              pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              preexec_fn=die_with_launcher)
    os.close(write_end)
    with os.fdopen(read_end, "rb") as numbers:
        number = numbers.readline().strip()
    if not number:
        sys.exit("child_launcher.py: Xvfb did not start")
    return server, ":" + number.decode("ascii")


def main():
    command = sys.argv[1:]
    display = None
    if command[:1] == ["--virtual-display"]:
        command = command[1:]
        # The command and the children inherit it.
        display, os.environ["DISPLAY"] = start_display()
    listener = socket.create_server(("127.0.0.1", 0))
    threading.Thread(target=accept, args=(listener,), daemon=True).start()
    environment = dict(os.environ, KORVALESEN_CHILD_LAUNCHER=str(listener.getsockname()[1]))
    try:
        status = status_of(subprocess.call(command, env=environment))
    finally:
        with children_lock:
            left = list(children)
        for child in left:
            end(child)
        if display:
            display.kill()
            display.wait()
    sys.exit(status)


if __name__ == "__main__":
    main()
