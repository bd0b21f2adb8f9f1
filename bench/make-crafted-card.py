#!/usr/bin/env python3
"""A card made to cost the piece search the most: random bytes with a short FLAC head every 255 sectors
(8 channels of 32 bits, 65 535 samples a block, no largest frame stated). Every head starts a file whose
stream cannot go on, so each waits for its next piece with the widest search there is.
   usage: make-crafted-card.py OUT.img SIZE_MIB [EVERY_SECTORS]"""
import random
import struct
import sys


def head():
    info = (44100 << 44) | (7 << 41) | (31 << 36) | 1_000_000_000
    streaminfo = struct.pack(">HH", 65535, 65535) + bytes(6) + info.to_bytes(8, "big") + bytes(16)
    return b"fLaC" + bytes([0x80, 0, 0, len(streaminfo)]) + streaminfo


def main():
    out, mib = sys.argv[1], int(sys.argv[2])
    every = int(sys.argv[3]) if len(sys.argv) > 3 else 255
    rnd = random.Random(31)
    h = head()
    with open(out, "wb") as f:
        sectors = mib * 2048
        for first in range(0, sectors, every):
            run = min(every, sectors - first) * 512
            f.write(h + rnd.randbytes(run - len(h)))


if __name__ == "__main__":
    main()
