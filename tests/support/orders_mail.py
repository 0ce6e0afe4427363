#!/usr/bin/python3
"""Orders mail as players' mail programs send it, made with Python's email package.

Usage: orders_mail.py < LIST

Each line of LIST is tab-separated: MODE FROM MESSAGE-ID FILENAME FILE OUT. MODE "base64" is
a message as Thunderbird or Gmail sends it: a text part and the file as an
application/octet-stream attachment in base64 (a name that is not ASCII as RFC 2231
filename*=); "uuencode" is the file uuencoded into the text itself, as older programs
(Pegasus, Outlook Express with its uuencode option) do. The message goes to OUT with CR LF
line ends, as it would sit in a maildir.
"""

import binascii
import email.policy
import email.utils
import sys
from email.message import EmailMessage


def uuencoded(name, data):
    lines = ["begin 644 " + name]
    for at in range(0, len(data), 45):
        lines.append(binascii.b2a_uu(data[at:at + 45]).decode().rstrip("\n"))
    lines += ["`", "end"]
    return "\n".join(lines)


def main():
    for line in sys.stdin.read().splitlines():
        mode, sender, message_id, name, path, out = line.split("\t")
        with open(path, "rb") as source:
            data = source.read()
        message = EmailMessage(policy=email.policy.SMTP)
        message["From"] = sender
        message["To"] = "Nebula Host <host@example.org>"
        message["Subject"] = "My orders"
        message["Date"] = email.utils.formatdate(localtime=True)
        message["Message-ID"] = message_id
        text = "Here are my orders for this turn.\n"
        if mode == "uuencode":
            message.set_content(text + "\n" + uuencoded(name, data) + "\n")
        else:
            message.set_content(text)
            message.add_attachment(data, maintype="application", subtype="octet-stream",
                                   filename=name)
        with open(out, "wb") as target:
            target.write(message.as_bytes())


if __name__ == "__main__":
    main()
