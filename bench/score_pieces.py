#!/usr/bin/env python3
"""Scores a carver's output against a card from make-pieces-card.sh: which recordings stored in pieces came back.

  score_pieces.py IMAGE POOL OUT [REPORT.json] -> prints JSON, per kind, per group and "all":
    fragmented   live recordings that lie in two or more pieces
    two_piece    of those, the ones in two pieces whose second lies after the first within 64 MiB
    identical    fragmented recordings that some output file equals byte for byte
    identical_two_piece
    whole_prefix fragmented recordings that some output begins with (a carver that does not trim)
    wrong_joins  outputs the report says were put back together from pieces that are not the recording's
    false_whole  outputs the report calls whole or reassembled that equal no original, in pieces or not
    wrong        outputs with either fault (with REPORT; else "-")
    pieces       count of fragmented recordings by their number of pieces

IMAGE.manifest (see make-pieces-card.sh) gives each file's tag, kind, path, state and, for the files written
after the deletes, their FAT clusters; words after those name groups the file is counted in besides its kind
("interleaved"). A manifest without clusters (the voice recorder's card) has them read from the image with
mtools' mshowfat, for every live file. POOL/<tag>.<kind> holds each file's bytes. An output from the report is
counted under the kind and groups of the live file that begins at its first sector, else under its extension.
"""
import hashlib
import json
import os
import struct
import subprocess
import sys

WINDOW = 64 << 20
HEAD = 4096


def digest(data):
    return hashlib.sha256(data).hexdigest()


def manifest(image):
    """The card's files as (tag, kind, path, state, chain, groups), the cluster size and where cluster 2 lies."""
    with open(image, "rb") as f:
        boot = f.read(64)
    bps, spc, reserved, fats = struct.unpack_from("<HBHB", boot, 11)
    fat_size = struct.unpack_from("<I", boot, 36)[0]
    cluster, offset = spc * bps, (reserved + fats * fat_size) * bps
    files = []
    with open(image + ".manifest") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.split()
            if len(fields) == 4:
                chain = "-"
                if fields[3] == "live":
                    out = subprocess.run(["mshowfat", "-i", image, "::/" + fields[2]], capture_output=True, text=True,
                                         env=dict(os.environ, MTOOLS_SKIP_CHECK="1")).stdout
                    chain = ",".join(r.strip("<> \n") for r in out[out.find("<"):].split("<") if r.strip())
                fields.append(chain)
            files.append((*fields[:5], tuple(fields[5:])))
    return files, cluster, offset


def ranges_of(chain):
    return [[int(x) for x in r.split("-")] for r in chain.split(",")]


def main():
    image, pool, out = sys.argv[1:4]
    report = sys.argv[4] if len(sys.argv) > 4 else None
    files, cluster, offset = manifest(image)

    def read(tag, kind):
        with open(os.path.join(pool, f"{tag}.{kind}"), "rb") as g:
            return g.read()

    targets = []  # (kind and groups, original bytes, pieces, two pieces within the window)
    for tag, kind, _, state, chain, groups in files:
        if state != "live" or chain == "-" or kind == "dat":
            continue
        ranges = ranges_of(chain)
        if len(ranges) < 2:
            continue
        gap = (ranges[1][0] - ranges[0][-1] - 1) * cluster
        targets.append(((kind, *groups), read(tag, kind), len(ranges), len(ranges) == 2 and 0 <= gap <= WINDOW))

    by_digest, by_head, outputs = set(), {}, {}
    for root, _, names in os.walk(out):
        for name in names:
            with open(os.path.join(root, name), "rb") as g:
                data = g.read()
            outputs[name] = data
            by_digest.add(digest(data))
            by_head.setdefault(digest(data[:HEAD]), []).append(name)

    rows = {}

    def row(kind):
        return rows.setdefault(kind, {"fragmented": 0, "two_piece": 0, "identical": 0, "identical_two_piece": 0,
                                      "whole_prefix": 0, "wrong_joins": "-", "false_whole": "-", "wrong": "-",
                                      "pieces": {}})

    for names, data, pieces, two in targets:
        for r in [row(k) for k in names] + [row("all")]:
            r["fragmented"] += 1
            r["pieces"][pieces] = r["pieces"].get(pieces, 0) + 1
            same = digest(data) in by_digest
            r["identical"] += same
            if two:
                r["two_piece"] += 1
                r["identical_two_piece"] += same
            r["whole_prefix"] += any(outputs[n][:len(data)] == data for n in by_head.get(digest(data[:HEAD]), []))
    if report:
        # An output put back together is a wrong join where a piece it lists is not the recording's piece at
        # that place (its first sector, and the sector count of every piece but its last); any output is a false
        # whole where it says it is whole (or reassembled) and equals no original.
        originals = {digest(read(tag, kind)) for tag, kind, *_ in files}
        layout = {}  # first sector -> each piece's first sector and the sector past it
        starts = {}  # first sector -> the kind and groups of the live file that begins there
        for _, kind, _, _, chain, groups in files:
            if chain != "-":
                sectors = [((offset + (r[0] - 2) * cluster) // 512, (offset + (r[-1] - 1) * cluster) // 512)
                           for r in ranges_of(chain)]
                layout[sectors[0][0]] = sectors
                starts[sectors[0][0]] = (kind, *groups)
        for r in rows.values():
            r["wrong_joins"] = r["false_whole"] = r["wrong"] = 0
        with open(report) as f:
            for entry in json.load(f):
                joined = "," in entry.get("pieces", "")
                wrong_join = False
                if joined:
                    listed = [[int(x) for x in p.split("+")] for p in entry["pieces"].split(",")]
                    true = layout.get(listed[0][0], [])
                    wrong_join = len(listed) > len(true) or any(
                        first != true[i][0] or (i + 1 < len(listed) and count != true[i][1] - true[i][0])
                        for i, (first, count) in enumerate(listed))
                false_whole = entry["verdict"].startswith(("whole", "reassembled,")) and \
                    digest(outputs.get(entry["name"], b"")) not in originals
                if not (wrong_join or false_whole):
                    continue
                names = starts.get(entry["first_sector"], (os.path.splitext(entry["name"])[1][1:],))
                for r in [row(k) for k in names] + [row("all")]:
                    for key in ("wrong_joins", "false_whole", "wrong"):
                        r[key] = r[key] if r[key] != "-" else 0
                    r["wrong_joins"] += wrong_join
                    r["false_whole"] += false_whole
                    r["wrong"] += 1
    json.dump(rows, sys.stdout, indent=1, sort_keys=True)
    print()


if __name__ == "__main__":
    main()
