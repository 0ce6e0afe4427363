#!/usr/bin/env python3
"""Stands in for the game program's turn generation in tests: given the host file's path, it
writes next year's host file and result files beside it as the game does (same game id and
universe, the turn one later, a new generation counter shared by the host and result files, a
block chain ending with the end block). The universe file is never touched, as in a real game.

  fake_stars_generate.py HOST_FILE

FAKE_GENERATE_FAIL=1 makes it fail (exit 1) without writing anything; FAKE_GENERATE_SLEEP=N
makes it take N seconds first; FAKE_GENERATE_LOG=FILE appends one line per run there.
"""
import glob
import os
import random
import struct
import sys
import time

HEADER = struct.Struct("<H4sIHHHBB")


def header(game_id, turn, player, salt, kind, flags):
    return HEADER.pack(0x2010, b"J3J3", game_id, 0x2A60, turn, (salt << 5) | player, kind, flags)


def blocks(kind_end_size):
    out = b""
    for block_type in (6, 13, 16):  # a few encrypted-looking blocks, as result files have
        size = random.randint(8, 200)
        out += struct.pack("<H", (block_type << 10) | size) + os.urandom(size)
    return out + struct.pack("<H", kind_end_size) + b"\0" * kind_end_size


def write_whole(path, data):
    tmp = path + ".fake-tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    host = sys.argv[1]
    if os.environ.get("FAKE_GENERATE_SLEEP"):
        time.sleep(float(os.environ["FAKE_GENERATE_SLEEP"]))
    log = os.environ.get("FAKE_GENERATE_LOG")
    if log:
        with open(log, "a") as f:
            f.write("generate %s\n" % host)
    if os.environ.get("FAKE_GENERATE_FAIL") == "1":
        print("fake generate: refusing as asked", file=sys.stderr)
        return 1
    with open(host, "rb") as f:
        _, magic, game_id, _, turn, _, _, flags = HEADER.unpack(f.read(HEADER.size))
    if magic != b"J3J3":
        print("fake generate: %s is not a Stars! file" % host, file=sys.stderr)
        return 2
    old_counter = flags >> 5
    counter = random.choice([c for c in range(8) if c != old_counter])
    turn += 1
    base = host[: -len(".hst")]
    write_whole(host, header(game_id, turn, 31, random.randrange(2048), 2, counter << 5) +
                blocks(2))
    for result in sorted(glob.glob(glob.escape(base) + ".[mM]*")):
        suffix = result[len(base) + 2:]
        if not suffix.isdigit():
            continue
        player = int(suffix) - 1
        write_whole(result, header(game_id, turn, player, random.randrange(2048), 3,
                                   counter << 5) + blocks(2))
    print("fake generate: year %d written" % (2400 + turn))
    return 0


if __name__ == "__main__":
    sys.exit(main())
