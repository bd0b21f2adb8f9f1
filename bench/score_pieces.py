#!/usr/bin/env python3
"""Scores a carver's output against a card from make-pieces-card.sh: which recordings stored in pieces came back.

  score_pieces.py IMAGE POOL OUT [REPORT.json] -> prints JSON, per kind and "all":
    fragmented   recordings written after the deletes that lie in two or more pieces
    two_piece    of those, the ones in two pieces whose second lies after the first within 64 MiB
    identical    fragmented recordings that some output file equals byte for byte
    identical_two_piece
    whole_prefix fragmented recordings that some output begins with (a carver that does not trim)
    wrong        outputs the report says were put back together from pieces that are not the recording's,
                 or that say they are whole and equal no original (with REPORT)
    pieces       count of fragmented recordings by their number of pieces

IMAGE.manifest (see make-pieces-card.sh) gives each file's tag, kind, path, state and, for the files written
after the deletes, their FAT clusters; "#clusters SIZE OFFSET" says where cluster 2 lies.
"""
import hashlib
import json
import os
import sys

WINDOW = 64 << 20
HEAD = 4096


def digest(data):
    return hashlib.sha256(data).hexdigest()


def main():
    image, pool, out = sys.argv[1:4]
    report = sys.argv[4] if len(sys.argv) > 4 else None
    cluster = 4096
    targets = []  # (kind, original bytes, pieces, two-piece within the window)
    with open(image + ".manifest") as f:
        for line in f:
            if line.startswith("#clusters"):
                cluster = int(line.split()[1])
            if line.startswith("#") or not line.strip():
                continue
            tag, kind, _, state, chain = line.split()
            if state != "live" or chain == "-" or kind == "dat":
                continue
            ranges = [tuple(int(x) for x in r.split("-")) if "-" in r else (int(r), int(r)) for r in chain.split(",")]
            if len(ranges) < 2:
                continue
            gap = (ranges[1][0] - ranges[0][1] - 1) * cluster
            two = len(ranges) == 2 and 0 <= gap <= WINDOW
            with open(os.path.join(pool, f"{tag}.{kind}"), "rb") as g:
                targets.append((kind, g.read(), len(ranges), two))

    by_digest, by_head = {}, {}
    outputs = {}
    for root, _, names in os.walk(out):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as g:
                data = g.read()
            outputs[name] = data
            by_digest.setdefault(digest(data), name)
            by_head.setdefault(digest(data[:HEAD]), []).append(name)

    originals = {digest(data) for _, data, _, _ in targets}
    rows = {}

    def row(kind):
        return rows.setdefault(kind, {"fragmented": 0, "two_piece": 0, "identical": 0, "identical_two_piece": 0,
                                      "whole_prefix": 0, "wrong": 0, "pieces": {}})

    for kind, data, pieces, two in targets:
        for r in (row(kind), row("all")):
            r["fragmented"] += 1
            r["pieces"][pieces] = r["pieces"].get(pieces, 0) + 1
            same = digest(data) in by_digest
            r["identical"] += same
            if two:
                r["two_piece"] += 1
                r["identical_two_piece"] += same
            r["whole_prefix"] += any(outputs[n][:len(data)] == data for n in by_head.get(digest(data[:HEAD]), []))
    if report:
        # An output put back together is wrong where a piece it lists is not the recording's piece at that
        # place (its first sector, and the sector count of every piece but its last), or where it says it is
        # whole and does not equal the recording.
        offset = 0
        layout = {}  # first sector -> the sectors of each piece, first and past-the-end
        with open(image + ".manifest") as f:
            for line in f:
                if line.startswith("#clusters"):
                    offset = int(line.split()[2])
                if line.startswith("#") or not line.strip():
                    continue
                chain = line.split()[4]
                if chain == "-":
                    continue
                ranges = [[int(x) for x in r.split("-")] for r in chain.split(",")]
                sectors = [((offset + (r[0] - 2) * cluster) // 512, (offset + (r[-1] - 1) * cluster) // 512)
                           for r in ranges]
                layout[sectors[0][0]] = sectors
        with open(report) as f:
            for entry in json.load(f):
                if "," not in entry.get("pieces", ""):
                    continue
                listed = [[int(x) for x in p.split("+")] for p in entry["pieces"].split(",")]
                true = layout.get(listed[0][0], [])
                wrong = len(listed) > len(true) or any(
                    first != true[i][0] or (i + 1 < len(listed) and count != true[i][1] - true[i][0])
                    for i, (first, count) in enumerate(listed))
                if entry["verdict"].startswith("whole") or entry["verdict"].startswith("reassembled,"):
                    wrong = wrong or digest(outputs.get(entry["name"], b"")) not in originals
                if wrong:
                    kind = os.path.splitext(entry["name"])[1][1:]
                    row(kind)["wrong"] += 1
                    row("all")["wrong"] += 1
    json.dump(rows, sys.stdout, indent=1, sort_keys=True)
    print()


if __name__ == "__main__":
    main()
