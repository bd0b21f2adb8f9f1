#!/usr/bin/env python3
"""Scores a carver's output against a benchmark card.

  score.py intact IMAGE POOL            -> prints the tags of the files lying whole and in one piece on the card
  score.py output IMAGE POOL INTACT OUT -> prints JSON: intact, recovered, outputs, false_starts, bytes,
                                           stream_bytes

A file counts as recovered when its original bytes are the beginning of some output file (each file is a
pool clip with a tag appended to make it unique; see score()). An output is a false start when its first
sector is not the first sector of any file that was ever on the card.
"""
import json
import mmap
import os
import sys

HEAD = 512


def manifest(image):
    with open(image + ".manifest") as f:
        for line in f:
            tag, clip, path, state = line.split()
            yield tag, clip, path, state


def clips(pool):
    cache = {}

    def content(clip, tag):
        if clip not in cache:
            with open(os.path.join(pool, clip), "rb") as f:
                cache[clip] = f.read()
        return cache[clip] + tag.encode()

    return content


def intact(image, pool):
    content = clips(pool)
    files = list(manifest(image))
    heads = {}
    for tag, clip, _, _ in files:
        heads.setdefault(content(clip, tag)[:HEAD], []).append((tag, clip))
    found = []
    with open(image, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as m:
        wanted = {h[:32] for h in heads}
        for pos in range(0, len(m), HEAD):
            if m[pos:pos + 32] not in wanted:
                continue
            head = m[pos:pos + HEAD]
            for tag, clip in heads.get(head, []):
                data = content(clip, tag)
                if m[pos + len(data) - len(tag):pos + len(data)] == tag.encode() and m[pos:pos + len(data)] == data:
                    found.append(tag)
    return sorted(set(found))


def score(image, pool, intact_tags, out_dir):
    """Counts, per clip, the outputs that begin with the whole clip; a clip's copies on the card are
    told apart only by their tags, which a carver that sizes files from their headers rightly leaves
    out, so each clip counts at most as many times as it lies intact on the card."""
    content = clips(pool)
    files = list(manifest(image))
    starts = {content(clip, tag)[:HEAD] for tag, clip, _, _ in files}
    clip_bytes = {clip: content(clip, "") for _, clip, _, _ in files}
    by_head = {}
    for clip, data in clip_bytes.items():
        by_head.setdefault(data[:HEAD], []).append(clip)
    wanted = set(intact_tags)
    intact_count = {}
    for tag, clip, _, _ in files:
        if tag in wanted:
            intact_count[clip] = intact_count.get(clip, 0) + 1
    found = {}
    outputs = 0
    false_starts = 0
    # What was written, beside what had to be: the clip's own length for an output that begins with a
    # whole clip, the whole output for any other (nothing tells where its recording ends).
    written = 0
    stream_bytes = 0
    for root, _, names in os.walk(out_dir):
        for name in names:
            if name in ("audit.txt", "report.xml") or name.endswith(".log"):
                continue
            path = os.path.join(root, name)
            outputs += 1
            size = os.path.getsize(path)
            written += size
            need = size
            with open(path, "rb") as f:
                head = f.read(HEAD)
                if head not in starts:
                    false_starts += 1
                for clip in by_head.get(head, []):
                    data = clip_bytes[clip]
                    f.seek(0)
                    if f.read(len(data)) == data:
                        found[clip] = found.get(clip, 0) + 1
                        need = len(data)
                        break
            stream_bytes += need
    recovered = sum(min(n, found.get(clip, 0)) for clip, n in intact_count.items())
    return {"intact": len(wanted), "recovered": recovered, "outputs": outputs, "false_starts": false_starts,
            "bytes": written, "stream_bytes": stream_bytes}


if __name__ == "__main__":
    if sys.argv[1] == "intact":
        print("\n".join(intact(sys.argv[2], sys.argv[3])))
    else:
        with open(sys.argv[4]) as f:
            tags = f.read().split()
        print(json.dumps(score(sys.argv[2], sys.argv[3], tags, sys.argv[5])))
