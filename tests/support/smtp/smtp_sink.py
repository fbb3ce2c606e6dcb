#!/usr/bin/python3
"""A local SMTP server for tests, on 127.0.0.1.

Every message received is written to FOLDER as NNNNNN.eml, beside NNNNNN.json
with its envelope (sender, recipients, the user who signed in). The chosen
port is written to PORTFILE once the server listens. It can be told to
refuse some recipients and messages over a size. The server stops when
its standard input closes, so it never outlives the test that started it.
"""
import argparse
import json
import logging
import os
import socket
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Handler:
    def __init__(self, folder, refuse=None):
        self.folder = folder
        self.refuse = refuse
        self.count = 0
        self.lock = threading.Lock()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse and address.startswith(self.refuse):
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            number = self.count
        base = os.path.join(self.folder, "%06d" % number)
        meta = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "login": getattr(session, "brivalto_login", None),
        }
        with open(base + ".json", "w") as f:
            json.dump(meta, f)
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 OK"


def main():
    # Signing in without TLS is what the tests want; the library's warnings about it are noise.
    warnings.filterwarnings("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("portfile")
    parser.add_argument("--login")
    parser.add_argument("--password")
    parser.add_argument("--refuse", help="recipients beginning so are refused")
    parser.add_argument("--size-limit", type=int, help="the largest message taken, in bytes")
    args = parser.parse_args()

    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()

    options = {}
    if args.login:
        def authenticator(server, session, envelope, mechanism, auth_data):
            ok = (auth_data.login.decode() == args.login and auth_data.password.decode() == args.password)
            if ok:
                session.brivalto_login = args.login
            return AuthResult(success=ok, handled=False)
        options = dict(authenticator=authenticator, auth_required=True, auth_require_tls=False)
    if args.size_limit:
        options["data_size_limit"] = args.size_limit

    controller = Controller(Handler(args.folder, args.refuse), hostname="127.0.0.1", port=port, **options)
    controller.start()
    with open(args.portfile + ".tmp", "w") as f:
        f.write(str(port))
    os.rename(args.portfile + ".tmp", args.portfile)
    try:
        sys.stdin.read()
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
