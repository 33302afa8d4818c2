#!/usr/bin/env python3
"""A TCP relay in front of the test cluster that can cut a connection just
after the server answered a COMMIT, so that the client never hears whether
its transaction was stored.

  commit_cutter.py <server port> <port file> <arm file>

Listens on 127.0.0.1 at a free port (written to <port file>). While <arm file>
exists, the first simple-protocol COMMIT a client sends is relayed, the
server's answer is awaited and thrown away, both sides are closed and the arm
file is removed; everything else is relayed as it is."""
import os
import socket
import sys
import threading

COMMIT = b"Q\x00\x00\x00\x0bCOMMIT\x00"
server_port, port_file, arm_file = int(sys.argv[1]), sys.argv[2], sys.argv[3]
lock = threading.Lock()


def take_arm():
    with lock:
        if os.path.exists(arm_file):
            os.remove(arm_file)
            return True
        return False


def close(*sockets):
    for s in sockets:
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def relay(client):
    server = socket.create_connection(("127.0.0.1", server_port))
    cut = threading.Event()
    answered = threading.Event()

    def server_to_client():
        try:
            while True:
                data = server.recv(65536)
                if not data:
                    break
                if cut.is_set():
                    # The server's answer to the COMMIT: it is stored, and
                    # the client never hears so.
                    answered.set()
                    break
                client.sendall(data)
        except OSError:
            pass
        close(client, server)

    threading.Thread(target=server_to_client, daemon=True).start()
    tail = b""
    try:
        while True:
            data = client.recv(65536)
            if not data:
                break
            window = tail + data
            if COMMIT in window and take_arm():
                cut.set()
                server.sendall(data)
                answered.wait(30)
                break
            server.sendall(data)
            tail = window[-(len(COMMIT) - 1):]
    except OSError:
        pass
    close(client, server)


listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(16)
with open(port_file + ".part", "w") as f:
    f.write(str(listener.getsockname()[1]))
os.rename(port_file + ".part", port_file)
while True:
    conn, _ = listener.accept()
    threading.Thread(target=relay, args=(conn,), daemon=True).start()
