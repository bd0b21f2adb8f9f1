#!/usr/bin/env python3
"""Scores a carver's output against a benchmark card.

  score.py intact IMAGE POOL            -> prints the tags of the files lying whole and in one piece on the card
  score.py output IMAGE POOL INTACT OUT -> prints JSON: intact, recovered, outputs, false_starts, splits, tails,
                                           partial, bytes, stream_bytes, by_format

IMAGE.manifest has one line per file: tag, source, path on the card, state (live or deleted). Its layout
says what the source is:
  clips (the 2 GiB cards, the default): a clip in POOL; the file is the clip with its tag appended, so
         copies of a clip differ only in their last bytes.
  files (a "#layout files" line first, the voice card): the file's kind; its bytes are POOL/<tag>.<kind>.

A file counts as recovered when its original bytes are the beginning of some output file (a clip's copies
without their tags; see score()). Every other output is judged by its first 512 bytes (for a file's last,
partial block: as many bytes as that block has, the slack after it left out):
  partial      they are some original's first sector, but the output does not hold that original whole;
  split        they are block k > 0 (at offset k*512) of an original that lies intact on the card: the
               carver cut a whole recording in two;
  tail         they are block k > 0 of an original that does not lie intact (deleted, overwritten or in
               pieces): counted as neither a fault nor a success;
  false start  they begin like no original at all (the top-level false_starts; before splits and tails
               were told apart, every output not beginning like an original's first sector counted).
Copies of a clip share every block but the last, so a block cannot tell them apart: an output that runs
on to the clip's end names its copy by the tag it holds there; any other counts as a tail if any copy of
the clip does not lie intact, else as a split. A block several files share counts the same way.

by_format gives, per format, the intact and recovered originals (by the original's kind or clip extension)
and the false starts, splits and tails (by the output file's extension); aif and aiff count as one.
"""
import json
import mmap
import os
import sys

HEAD = 512
ALIASES = {"aiff": "aif", "jpeg": "jpg"}


def fmt(name):
    ext = os.path.splitext(name)[1][1:].lower()
    return ALIASES.get(ext, ext) or "-"


class Card:
    """The card's files from its manifest. A group is what a carver must give back whole at the start of
    an output: a clip (shared by its copies, tags left out) or a file."""

    def __init__(self, image, pool):
        self.pool = pool
        self.layout = "clips"
        self.files = []  # (tag, source, path, state)
        with open(image + ".manifest") as f:
            for line in f:
                if line.startswith("#layout"):
                    self.layout = line.split()[1]
                elif line.strip() and not line.startswith("#"):
                    self.files.append(tuple(line.split()))
        self.source = {tag: source for tag, source, _, _ in self.files}
        self.cache = {}

    def group(self, tag, source):
        return source if self.layout == "clips" else tag

    def kind(self, source):
        return fmt(source) if self.layout == "clips" else ALIASES.get(source, source)

    def data(self, group):
        """The bytes an output must begin with to recover the group."""
        if group not in self.cache:
            name = group if self.layout == "clips" else f"{group}.{self.source[group]}"
            with open(os.path.join(self.pool, name), "rb") as f:
                self.cache[group] = f.read()
        return self.cache[group]

    def content(self, tag, source, start=0):
        """The bytes the file has on the card, from start on."""
        data = self.data(self.group(tag, source))
        return data[start:] + tag.encode() if self.layout == "clips" else data[start:]

    def head(self, tag, source):
        """The file's first sector on the card, without copying the whole file."""
        data = self.data(self.group(tag, source))
        return data[:HEAD] if len(data) >= HEAD else self.content(tag, source)[:HEAD]


def intact(image, pool):
    card = Card(image, pool)
    heads = {}
    for tag, source, _, _ in card.files:
        heads.setdefault(card.head(tag, source), []).append((tag, source))
    found = []
    with open(image, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as m:
        wanted = {h[:32] for h in heads}
        for pos in range(0, len(m), HEAD):
            if m[pos:pos + 32] not in wanted:
                continue
            head = m[pos:pos + HEAD]
            for tag, source in heads.get(head, []):
                data = card.content(tag, source)
                end = pos + len(data)
                # The last bytes first: they differ between copies of a clip and fail fast.
                if m[end - 64:end] == data[-64:] and m[pos:end] == data:
                    found.append(tag)
    return sorted(set(found))


def block_index(card, groups):
    """Maps a hash of each whole 512-byte block past the first of every group to its (group, k)."""
    index = {}
    for g in groups:
        data = card.data(g)
        for k in range(1, len(data) // HEAD):
            index.setdefault(hash(data[k * HEAD:(k + 1) * HEAD]), []).append((g, k))
    return index


def last_blocks(card):
    """Maps the length and a hash of each file's last blocks that block_index leaves out (a partial
    one, and on the old cards those holding the tag) to the file's tag and the block. A block of fewer
    than 16 bytes is left out: so few bytes could begin an output by chance."""
    ends = {}
    for tag, source, _, _ in card.files:
        base = len(card.data(card.group(tag, source))) // HEAD * HEAD
        rest = card.content(tag, source, base)
        for i in range(0, len(rest), HEAD):
            block = rest[i:i + HEAD]
            if base + i > 0 and len(block) >= 16:
                ends.setdefault((len(block), hash(block)), []).append((tag, block))
    return ends


def score(image, pool, intact_tags, out_dir):
    """Counts, per group, the outputs that begin with its whole data; a clip's copies on the card are
    told apart only by their tags, which a carver that sizes files from their headers rightly leaves
    out, so each clip counts at most as many times as it lies intact on the card."""
    card = Card(image, pool)
    wanted = set(intact_tags)
    starts = {card.head(tag, source) for tag, source, _, _ in card.files}
    kind = {}
    intact_count = {}
    whole = {}  # group -> every file of it lies intact
    by_format = {}

    def row(ext):
        return by_format.setdefault(ext, {"intact": 0, "recovered": 0, "false_starts": 0, "splits": 0, "tails": 0})

    for tag, source, _, _ in card.files:
        g = card.group(tag, source)
        kind[g] = card.kind(source)
        whole[g] = whole.get(g, True) and tag in wanted
        if tag in wanted:
            intact_count[g] = intact_count.get(g, 0) + 1
            row(kind[g])["intact"] += 1
    by_head = {}
    for g in kind:
        by_head.setdefault(card.data(g)[:HEAD], []).append(g)
    index = block_index(card, kind)
    ends = last_blocks(card)
    end_lengths = sorted({n for n, _ in ends})

    copies = {}  # group -> {tag bytes: lies intact}
    for tag, source, _, _ in card.files:
        copies.setdefault(card.group(tag, source), {})[tag.encode()] = tag in wanted

    def from_intact(f, g, k):
        """Whether an output beginning at block k of group g came from a file lying intact. An output
        that runs on past a clip's end names its copy by the tag found there."""
        if card.layout == "clips":
            f.seek(len(card.data(g)) - k * HEAD)
            end = f.read(max(len(t) for t in copies[g]))
            for t, ok in copies[g].items():
                if end.startswith(t):
                    return ok
        return whole[g]

    def holders(f, head):
        """Whether each original holding head past its first sector lies intact. The last, partial block
        of a file matches an output that begins with it and runs on into the slack after it."""
        verdicts = [from_intact(f, g, k) for g, k in index.get(hash(head), [])
                    if card.data(g)[k * HEAD:(k + 1) * HEAD] == head]
        if not verdicts:
            for n in end_lengths:
                verdicts += [tag in wanted for tag, block in ends.get((n, hash(head[:n])), []) if block == head[:n]]
        return verdicts

    found = {}
    outputs = false_starts = splits = tails = partial = 0
    # What was written, beside what had to be: the group's own length for an output that begins with a
    # whole group, the whole output for any other (nothing tells where its recording ends).
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
                for g in by_head.get(head, []):
                    data = card.data(g)
                    f.seek(0)
                    if f.read(len(data)) == data:
                        found[g] = found.get(g, 0) + 1
                        need = len(data)
                        break
                else:
                    if head in starts:
                        partial += 1
                    else:
                        inside = holders(f, head)
                        if not inside:
                            false_starts += 1
                            row(fmt(name))["false_starts"] += 1
                        elif all(inside):
                            splits += 1
                            row(fmt(name))["splits"] += 1
                        else:
                            tails += 1
                            row(fmt(name))["tails"] += 1
            stream_bytes += need
    recovered = 0
    for g, n in intact_count.items():
        got = min(n, found.get(g, 0))
        recovered += got
        row(kind[g])["recovered"] += got
    return {"intact": len(wanted), "recovered": recovered, "outputs": outputs, "false_starts": false_starts,
            "splits": splits, "tails": tails, "partial": partial, "bytes": written, "stream_bytes": stream_bytes,
            "by_format": dict(sorted(by_format.items()))}


if __name__ == "__main__":
    if sys.argv[1] == "intact":
        print("\n".join(intact(sys.argv[2], sys.argv[3])))
    else:
        with open(sys.argv[4]) as f:
            tags = f.read().split()
        print(json.dumps(score(sys.argv[2], sys.argv[3], tags, sys.argv[5])))
