"""The peer of bench_imap: Python's imaplib doing the fetches one intake pass does.

    imap_fetch.py PORT CAFILE USER PASSWORD

Logs in over TLS, selects INBOX, searches the UIDs from 1 on, asks for their sizes, fetches
every message whole with BODY.PEEK[] in batches of 256 UIDs (as the pass does), counts the
messages that carry an orders attachment, and logs out. Prints that count.
"""
import imaplib
import re
import ssl
import sys

port, cafile, user, password = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
context = ssl.create_default_context(cafile=cafile)
imap = imaplib.IMAP4_SSL("localhost", port, ssl_context=context)
imap.login(user, password)
imap.select("INBOX")
_, data = imap.uid("SEARCH", "UID", "1:*")
uids = [int(u) for u in data[0].split()]


def uid_set(part):
    return ",".join(str(u) for u in part)


for at in range(0, len(uids), 256):
    imap.uid("FETCH", uid_set(uids[at:at + 256]), "(UID RFC822.SIZE)")
orders = 0
marker = re.compile(rb'filename="?[^"\r\n]*\.x[0-9]+"?', re.IGNORECASE)
for at in range(0, len(uids), 256):
    _, data = imap.uid("FETCH", uid_set(uids[at:at + 256]), "(UID RFC822.SIZE BODY.PEEK[])")
    for item in data:
        if isinstance(item, tuple) and marker.search(item[1]):
            orders += 1
imap.logout()
print(orders)
