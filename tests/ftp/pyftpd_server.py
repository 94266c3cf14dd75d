#!/usr/bin/python3
"""A real FTP server for the tests: pyftpdlib on loopback, one virtual user.

Prints the port it listens on as its first line, then serves until it is
stopped. Every command line it receives is appended to --log, raw.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--user", default="anna")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--log", required=True)
    parser.add_argument("--address", default="127.0.0.1")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    log = open(args.log, "a", buffering=1, encoding="utf-8", errors="backslashreplace")

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            log.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")
    Handler.authorizer = authorizer
    server = FTPServer((args.address, 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
