#!/usr/bin/python3
"""A real SMTP server (aiosmtpd) for the mail tests, on 127.0.0.1.

Prints the port it listens on, then serves until stdin closes. Each message is stored in the
folder as N.eml, and Python's email package reads it back into N.txt, one "key<TAB>value"
line per fact: envelope sender and recipients, the client's port (the same port for two
messages means one reused connection), header fields, the body's type, charset and text, and
per attachment its type, names, disposition and the file N.partK holding its decoded bytes.

--mail-reply "502 ..." answers every MAIL FROM with that reply; --tls CERT KEY with --auth
USER:PASSWORD demands STARTTLS and then AUTH before mail is taken; --discard takes messages
without storing them (for timings).
"""
import argparse
import email
import email.policy
import os
import socket
import ssl
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Store:
    def __init__(self, folder, mail_reply, discard):
        self.folder = folder
        self.mail_reply = mail_reply
        self.discard = discard
        self.count = 0

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.mail_reply:
            return self.mail_reply
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.discard:
            return "250 Message accepted"
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        msg = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        lines = [("from", envelope.mail_from), ("peer-port", str(session.peer[1])),
                 ("tls", "yes" if session.ssl else "no")]
        lines += [("rcpt", r) for r in envelope.rcpt_tos]
        for name in ("From", "To", "Subject", "Date", "Message-ID"):
            lines.append(("header-" + name.lower(), str(msg.get(name, ""))))
        body = msg.get_body(preferencelist=("plain",))
        if body is not None:
            lines.append(("body-type", body.get_content_type()))
            lines.append(("body-charset", str(body.get_content_charset())))
            lines.append(("body", body.get_content().replace("\r", "\\r").replace("\n", "\\n")))
        k = 0
        for part in msg.iter_attachments():
            k += 1
            path = "%s.part%d" % (base, k)
            with open(path, "wb") as f:
                f.write(part.get_payload(decode=True))
            lines += [("attachment", path), ("attachment-type", part.get_content_type()),
                      ("attachment-name", str(part.get_param("name"))),
                      ("attachment-filename", str(part.get_filename())),
                      ("attachment-disposition", str(part.get_content_disposition())),
                      ("attachment-encoding", str(part.get("Content-Transfer-Encoding")))]
        with open(base + ".tmp", "w", encoding="utf-8") as f:
            f.writelines("%s\t%s\n" % kv for kv in lines)
        os.replace(base + ".tmp", base + ".txt")
        return "250 Message accepted"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("folder")
    ap.add_argument("--mail-reply", default="")
    ap.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    ap.add_argument("--auth", default="")
    ap.add_argument("--discard", action="store_true", help="take messages without storing them")
    a = ap.parse_args()
    kwargs = {}
    if a.tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(a.tls[0], a.tls[1])
        kwargs.update(tls_context=context, require_starttls=True)
    if a.auth:
        user, password = a.auth.split(":", 1)

        def check(server, session, envelope, mechanism, data):
            ok = data.login.decode() == user and data.password.decode() == password
            return AuthResult(success=ok)

        kwargs.update(authenticator=check, auth_required=True, auth_require_tls=True)
    port = free_port()
    controller = Controller(Store(a.folder, a.mail_reply, a.discard), hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    sys.stdout.write("%d\n" % port)
    sys.stdout.flush()
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
