#!/usr/bin/python3
"""A real SMTP server for the tests: aiosmtpd on a free loopback port.

Usage: aiosmtpd_sink.py OUTDIR

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
"""

import asyncio
import email
import email.policy
import os
import sys

from aiosmtpd.smtp import SMTP


def write(directory, name, data):
    mode = "wb" if isinstance(data, bytes) else "w"
    with open(os.path.join(directory, name), mode) as out:
        out.write(data)


class Handler:
    def __init__(self, outdir):
        self.outdir = outdir
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
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
        for part in message.walk():
            if part.is_multipart():
                continue
            if part.get_filename() is not None:
                names.append(part.get_filename())
                write(directory, "attachment-%d" % len(names), part.get_payload(decode=True))
            elif text is None and part.get_content_type() == "text/plain":
                text = part.get_payload(decode=True)
        write(directory, "text", text or b"")
        write(directory, "attachments", "".join(n + "\n" for n in names))
        return "250 Message accepted for delivery"


async def main():
    loop = asyncio.get_running_loop()
    handler = Handler(sys.argv[1])
    server = await loop.create_server(lambda: SMTP(handler, hostname="aiosmtpd.test"),
                                      host="127.0.0.1", port=0)
    print(server.sockets[0].getsockname()[1], flush=True)
    stdin_closed = loop.create_future()

    def on_stdin():
        if not os.read(sys.stdin.fileno(), 4096) and not stdin_closed.done():
            stdin_closed.set_result(None)

    loop.add_reader(sys.stdin.fileno(), on_stdin)
    await stdin_closed
    server.close()


asyncio.run(main())
