#!/usr/bin/python3
"""A real SMTP server for the tests: aiosmtpd on a free loopback port.

Usage: aiosmtpd_sink.py OUTDIR [OPTION=VALUE]...

Options: security=starttls|require-starttls|tls (with cert= and key=, PEM files), user= and
password= (AUTH PLAIN and LOGIN, required), token= (AUTH XOAUTH2 for that user as well),
sender=ADDRESS (every other MAIL FROM is refused with "553 5.7.1 Sender address rejected: not
owned by user", as Postfix does for a login's foreign address), clientcert=1.2|1.3 (a client
certificate demanded, over that TLS version only), sizelimit=N (SIZE announced with that limit),
refuse=N (the first N messages are refused after their data with "451 4.3.0 Try again later",
as a busy server does, and not written), data-delay=SECONDS (each reply to the end of the data
comes that much later, as from a slow server), quit-delay=SECONDS (the reply to QUIT comes that
much later; OUTDIR/quit-waiting gets a line as each QUIT arrives).

Prints the port on the first line of standard output once it listens, and runs until its
standard input closes. Every message it accepts is parsed with the email package and written
to OUTDIR/<n>/ (n counts from 1):
  raw            the message as received
  envelope       MAIL FROM on the first line, then one RCPT TO per line
  from, to, subject, date, content-type
                 the header values as the parser reads them
  defects        one parser defect per line (empty when the message is well formed)
  text           the decoded text of the first text/plain part (or of a plain message)
  attachments    one file name per line, in order
  attachment-<i> the decoded bytes of attachment i (from 1)
  attachment-types  each attachment's content type, with "; charset=" and its charset when
                 it names one, a line each
and OUTDIR/mail-commands gets the address of every MAIL FROM the server was sent.
"""

import asyncio
import email
import logging
import warnings
import email.policy
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class LongLineSMTP(SMTP):
    # XOAUTH2 tokens run past the default line limit.
    line_length_limit = 8192

    async def smtp_QUIT(self, arg):
        delay = float(self.event_handler.options.get("quit-delay", "0"))
        if delay:
            with open(os.path.join(self.event_handler.outdir, "quit-waiting"), "a") as out:
                out.write("QUIT\n")
            await asyncio.sleep(delay)
        await super().smtp_QUIT(arg)


def write(directory, name, data):
    mode = "wb" if isinstance(data, bytes) else "w"
    with open(os.path.join(directory, name), mode) as out:
        out.write(data)


class Handler:
    def __init__(self, outdir, options):
        self.outdir = outdir
        self.options = options
        self.count = 0
        self.refused = 0

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        with open(os.path.join(self.outdir, "mail-commands"), "a") as out:
            out.write(address + "\n")
        if self.options.get("sender", address) != address:
            return "553 5.7.1 <%s>: Sender address rejected: not owned by user" % address
        envelope.mail_from = address
        return "250 OK"

    def authenticate(self, server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and data.login.decode() == self.options.get("user") \
            and data.password.decode() == self.options.get("password")
        return AuthResult(success=ok, handled=False)

    async def auth_XOAUTH2(self, server, args):
        blob = await server.challenge_auth("", encode_to_b64=False)
        expected = "user=%s\x01auth=Bearer %s\x01\x01" % (self.options.get("user"),
                                                          self.options.get("token"))
        if blob is not None and blob.decode(errors="replace") == expected:
            return AuthResult(success=True, auth_data=self.options.get("user"))
        # As the big providers do: the reason as a challenge, the failure after the answer.
        await server.challenge_auth('{"status":"401","schemes":"bearer"}')
        return AuthResult(success=False, handled=False,
                          message="535 5.7.8 Username and Password not accepted")

    async def handle_DATA(self, server, session, envelope):
        await asyncio.sleep(float(self.options.get("data-delay", "0")))
        if self.refused < int(self.options.get("refuse", "0")):
            self.refused += 1
            return "451 4.3.0 Try again later"
        self.count += 1
        directory = os.path.join(self.outdir, str(self.count))
        os.makedirs(directory)
        raw = envelope.content
        write(directory, "raw", raw)
        write(directory, "envelope", "\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
        message = email.message_from_bytes(raw, policy=email.policy.default)
        for header in ("from", "to", "subject", "date", "content-type"):
            write(directory, header, str(message.get(header, "")))
        defects = [type(d).__name__ for part in message.walk() for d in part.defects]
        write(directory, "defects", "".join(d + "\n" for d in defects))
        text = None
        names = []
        types = []
        for part in message.walk():
            if part.is_multipart():
                continue
            if part.get_filename() is not None:
                names.append(part.get_filename())
                charset = part.get_content_charset()
                types.append(part.get_content_type() + ("; charset=" + charset if charset else ""))
                write(directory, "attachment-%d" % len(names), part.get_payload(decode=True))
            elif text is None and part.get_content_type() == "text/plain":
                text = part.get_payload(decode=True)
        write(directory, "text", text or b"")
        write(directory, "attachments", "".join(n + "\n" for n in names))
        write(directory, "attachment-types", "".join(t + "\n" for t in types))
        return "250 Message accepted for delivery"


async def main():
    # Refused handshakes and logins are what the tests are after: no tracebacks for them.
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)
    warnings.simplefilter("ignore")
    loop = asyncio.get_running_loop()
    options = dict(arg.split("=", 1) for arg in sys.argv[2:])
    handler = Handler(sys.argv[1], options)
    if "token" not in options:
        del Handler.auth_XOAUTH2
    security = options.get("security", "none")
    context = None
    if security != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(options["cert"], options["key"])
        if "clientcert" in options:
            # A certificate of the client's is demanded, over this TLS version only.
            context.verify_mode = ssl.CERT_REQUIRED
            context.load_verify_locations(options["cert"])
            version = getattr(ssl.TLSVersion, "TLSv" + options["clientcert"].replace(".", "_"))
            context.minimum_version = context.maximum_version = version
    settings = {"hostname": "aiosmtpd.test"}
    if "sizelimit" in options:
        settings.update(data_size_limit=int(options["sizelimit"]))
    if security in ("starttls", "require-starttls"):
        settings.update(tls_context=context, require_starttls=security == "require-starttls")
    if "user" in options:
        # Under implicit TLS it knows nothing of the TLS, and would otherwise offer no AUTH.
        settings.update(authenticator=handler.authenticate, auth_required=True,
                        auth_require_tls=security in ("starttls", "require-starttls"))
    server = await loop.create_server(lambda: LongLineSMTP(handler, **settings),
                                      host="127.0.0.1", port=0,
                                      ssl=context if security == "tls" else None)
    print(server.sockets[0].getsockname()[1], flush=True)
    stdin_closed = loop.create_future()

    def on_stdin():
        if not os.read(sys.stdin.fileno(), 4096) and not stdin_closed.done():
            stdin_closed.set_result(None)

    loop.add_reader(sys.stdin.fileno(), on_stdin)
    await stdin_closed
    server.close()


asyncio.run(main())
