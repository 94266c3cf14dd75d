#!/usr/bin/python3
"""A scripted FTP server for what real servers rarely do.

Usage: fault_server.py SCENARIO LOG. Prints its port as the first line. A
client that logs in as anyone gets normal answers until the scenario's fault.
Every command line received is appended to LOG.
"""
import socket
import sys
import threading
import time

SCENARIO = sys.argv[1]
LOG = open(sys.argv[2], "a", buffering=1, encoding="utf-8", errors="backslashreplace")


def send(conn, text):
    conn.sendall(text.encode("latin-1"))


def lines(conn):
    buf = b""
    while True:
        while b"\n" in buf:
            line, buf = buf.split(b"\n", 1)
            text = line.rstrip(b"\r").decode("latin-1")
            LOG.write(text + "\n")
            yield text
        chunk = conn.recv(65536)
        if not chunk:
            return
        buf += chunk


def hold(conn):
    """Keeps the connection open, reading and ignoring, until the peer goes."""
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def greet(conn):
    if SCENARIO == "no-greeting":
        hold(conn)
        return False
    if SCENARIO == "greeting-421":
        send(conn, "421 Service not available, closing control connection.\r\n")
        return False
    if SCENARIO == "close-in-multiline":
        send(conn, "220-Welcome\r\n220-to the fault server\r\n")
        return False
    if SCENARIO == "endless-line":
        send(conn, "220 ")
        try:
            while True:
                send(conn, "x" * 65536)
        except OSError:
            return False
    if SCENARIO == "endless-multiline":
        send(conn, "220-Welcome\r\n")
        try:
            while True:
                send(conn, " and more\r\n" * 1000)
        except OSError:
            return False
    if SCENARIO == "slow-greeting":
        send(conn, "120 Ready in a minute\r\n")
        hold(conn)
        return False
    send(conn, "220-Fault server\r\n 220 inside is text\r\n220 ready\r\n")
    return True


def session(conn):
    data_listener = None
    if not greet(conn):
        conn.close()
        return
    for line in lines(conn):
        cmd = line.split(" ", 1)[0].upper()
        if cmd == "USER":
            if SCENARIO == "account-332":
                send(conn, "332 Need account for login.\r\n")
            elif SCENARIO == "silent-after-user":
                hold(conn)
                break
            else:
                send(conn, "331 Password required.\r\n")
        elif cmd == "PASS":
            if SCENARIO == "login-530":
                send(conn, "530 Login incorrect.\r\n")
            else:
                send(conn, "230 Logged in.\r\n")
        elif cmd == "TYPE":
            send(conn, "200 Type set to I.\r\n")
        elif cmd == "EPSV":
            if SCENARIO == "no-epsv":
                send(conn, "502 Command not implemented.\r\n")
                continue
            data_listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            data_listener.bind(("127.0.0.1", 0))
            data_listener.listen(1)
            send(conn, "229 Entering Extended Passive Mode (|||%d|)\r\n" % data_listener.getsockname()[1])
        elif cmd == "PASV":
            data_listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            data_listener.bind(("127.0.0.1", 0))
            data_listener.listen(1)
            port = data_listener.getsockname()[1]
            # A foreign address in the reply: the client must not use it.
            send(conn, "227 Entering Passive Mode (10,9,8,7,%d,%d).\r\n" % (port // 256, port % 256))
        elif cmd == "STOR":
            if SCENARIO == "stor-550":
                send(conn, "550 Permission denied.\r\n")
                continue
            data, _ = data_listener.accept()
            send(conn, "150 Opening data connection.\r\n")
            if SCENARIO == "stall":
                time.sleep(60)
                return
            received = 0
            while True:
                chunk = data.recv(65536)
                if not chunk:
                    break
                received += len(chunk)
                if SCENARIO == "drop-mid-transfer" and received > 100000:
                    data.close()
                    conn.close()
                    return
            data.close()
            if SCENARIO == "stor-552":
                send(conn, "552 Requested file action aborted. Exceeded storage allocation.\r\n")
            else:
                send(conn, "226 Transfer complete (%d bytes).\r\n" % received)
        elif cmd == "QUIT":
            send(conn, "221 Bye.\r\n")
            break
        else:
            send(conn, "502 Command not implemented.\r\n")
    conn.close()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=session, args=(conn,), daemon=True).start()


if __name__ == "__main__":
    main()
