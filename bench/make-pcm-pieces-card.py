#!/usr/bin/env python3
"""Builds a card whose uncompressed and lossless recordings lie in pieces.

  make-pcm-pieces-card.py OUT.img SIZE_MIB zero|random WORKDIR

As make-pieces-card.sh does for the compressed kinds: a FAT32 image filled to about 85 % with recordings and
random-byte files, every second file deleted, then new recordings written as a device does that takes free
clusters from the card's start, so each new one fills one hole after another and lies in pieces. The files
left between the holes are recordings of the same kinds and parameters: the wrong candidates. Last, pairs of
recordings written at the same time, as a recorder with two tracks does: their clusters alternate one by one,
each with its own FAT chain, which this script writes itself (mtools allocates one file at a time).

The kinds carry no checksum a join could be proved by (WavPack's is over the decoded samples): WAV PCM 16-bit
mono and stereo, WAV PCM 24-bit, WAV IMA ADPCM, Wave64, CAF, AIFF, AU and WavPack. Their signal is speech from
espeak-ng (many voices, speeds and texts) and music from sox (melodies of plucked or held notes over chords),
at 8 to 48 kHz, under a quiet noise floor of its own per file, as a microphone or an analogue stage gives: no
two recordings share a block, even where both are silent. Everything is seeded, so a run repeats.

The pool is made once into WORKDIR/pcm-pieces-pool/ (two jobs; a few minutes) and shared by both fills.
Writes OUT.img and OUT.img.manifest in make-pieces-card.sh's form: "#layout files", "#clusters SIZE OFFSET",
then per file: tag, kind, path, state (live or deleted), its FAT clusters ("3-42,83-101", "-" when deleted),
and for the recordings written at the same time the word "interleaved".
"""
import concurrent.futures
import hashlib
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

# kind: (extension, encoding, bytes a sample per channel, [(rate, channels), ...])
KINDS = {
    "wav-pcm16-mono": ("wav", "pcm_s16le", 2, [(8000, 1), (16000, 1), (22050, 1)]),
    "wav-pcm16-stereo": ("wav", "pcm_s16le", 2, [(44100, 2), (48000, 2)]),
    "wav-pcm24": ("wav", "pcm_s24le", 3, [(48000, 2), (44100, 2), (48000, 1)]),
    "wav-ima-adpcm": ("wav", "adpcm_ima_wav", 0.5, [(22050, 1), (44100, 2)]),
    "w64": ("w64", "pcm_s16le", 2, [(44100, 2), (48000, 2)]),
    "caf": ("caf", "pcm_s16be", 2, [(44100, 2), (22050, 1)]),
    "aiff": ("aif", "pcm_s16be", 2, [(44100, 2), (16000, 1)]),
    "au": ("au", "pcm_s16be", 2, [(8000, 1), (16000, 1), (22050, 1)]),
    "wv": ("wv", "wavpack", 1.2, [(44100, 2), (22050, 1)]),  # about 60 % of 16-bit PCM
}
# The recordings written at the same time: one pair of the same kind and parameters, three of two kinds.
PAIRS = [("wav-pcm16-stereo", "wav-pcm16-stereo"), ("wav-pcm16-mono", "au"), ("aiff", "caf"), ("w64", "wv")]
MIN_BYTES, MAX_BYTES = 200_000, 4_000_000

VOICES = ["en", "en-us", "en-gb-scotland", "en-gb-x-rp", "en-029", "de", "fr-fr", "es", "it", "nl", "sv", "pl",
          "pt-br", "fi", "cs", "da"]
WORDS = ("the a of and to in is that it was for on are as with his they at be this from have or by one had not "
         "but what all were when we there can an your which their said if do will each about how up out them then "
         "she many some so these would other into has more her two like him see time could no make than first been "
         "its who now people my made over did down only way find use may water long little very after words called "
         "just where most know get through back much before go good new write our used me man too any day same "
         "right look think also around another came come work three word must because does part even place well "
         "such here take why things help put years different away again off went old number great tell men say "
         "small every found still between name should home big give air line set own under read last never us "
         "left end along while might next sound below saw something thought both few those always looked show "
         "large often together asked house world going want school important until form food keep children feet "
         "land side without boy once animals life enough took sometimes four head above kind began almost live "
         "page got earth need far hand high year mother light parts country father let night following picture "
         "being study second eyes soon times story boys since white days paper hard near sentence better best "
         "across during today others however sure means knew its try told young miles sun ways thing whole hear "
         "example heard several change answer room sea against top turned learn point city play toward five "
         "using himself usually").split()


def plan(size):
    """The files, in the order they are written: (tag, kind, phase, bytes, rate, channels, source, pair)."""
    rng = random.Random(20241209)
    kinds = sorted(KINDS)
    rows, n, used = [], 0, 0

    def recording(kind, phase, pair="-", lo=MIN_BYTES, hi=MAX_BYTES):
        nonlocal n
        n += 1
        rate, channels = rng.choice(KINDS[kind][3])
        # Mono is mostly speech, stereo mostly music.
        source = "speech" if rng.random() < (0.7 if channels == 1 else 0.3) else "music"
        b = rng.randint(lo, hi)
        rows.append((f"p{n:04d}", kind, phase, b, rate, channels, source, pair))
        return b

    while used < size * 0.85:
        if rng.random() < 0.35:
            n += 1
            b = rng.randint(MIN_BYTES, 2_200_000)
            rows.append((f"p{n:04d}", "dat", 1, b, 0, 0, "-", "-"))
            used += b
        else:
            used += recording(rng.choice(kinds), 1)
    freed, used, i = used / 2, 0, 0
    while used < freed:
        used += recording(kinds[i % len(kinds)], 2)
        i += 1
    for p, (a, b) in enumerate(PAIRS):
        recording(a, 3, f"i{p}", hi=1_500_000)
        recording(b, 3, f"i{p}", hi=1_500_000)
    return rows


def seconds(kind, size, rate, channels):
    """The duration that gives about size bytes."""
    return round(max(0.5, size / (rate * channels * KINDS[kind][2])), 3)


def text(rng, words):
    out = []
    while len(out) < words:
        sentence = [rng.choice(WORDS) for _ in range(rng.randint(4, 14))]
        sentence[0] = sentence[0].capitalize()
        out.append(" ".join(sentence) + rng.choice([".", ".", ".", "?", "!", ","]))
    return " ".join(out)


def speech(rng, tmp, d, rate, channels):
    """Sentences from one voice, its speed and pitch drawn, cut or padded with silence to d seconds."""
    with open(os.path.join(tmp, "text"), "w") as f:
        f.write(text(rng, int(d * 3.2) + 8))
    voice = rng.choice(VOICES) + rng.choice(["", "+m1", "+m3", "+m5", "+m7", "+f1", "+f2", "+f3", "+f4"])
    raw = os.path.join(tmp, "voice.wav")
    subprocess.run(["espeak-ng", "-v", voice, "-s", str(rng.randint(120, 200)), "-p", str(rng.randint(25, 75)),
                    "-g", str(rng.randint(0, 6)), "-f", os.path.join(tmp, "text"), "-w", raw], check=True)
    room = ["remix", "1", "1", "gain", "-6", "reverb", str(rng.randint(15, 50)), "50", str(rng.randint(30, 90))] \
        if channels == 2 else []
    return [raw, "-r", str(rate), "-c", str(channels)], \
        room + ["gain", "-n", "-3", "pad", "0", str(d), "trim", "0", str(d)]


def music(rng, tmp, d, rate, channels):
    """A melody of plucked or held notes over a chord progression, bar by bar, to d seconds."""
    beat = rng.uniform(0.22, 0.5)
    root = rng.randint(45, 57)
    scale = rng.choice([[0, 2, 4, 5, 7, 9, 11], [0, 2, 3, 5, 7, 8, 10], [0, 2, 4, 7, 9]])
    progression = rng.choice([[0, 4, 5, 3], [0, 3, 4, 3], [5, 3, 0, 4], [0, 5, 3, 4]])
    lead, pad = rng.choice(["pluck", "pluck", "sine", "triangle"]), rng.choice(["sine", "triangle", "pluck"])

    def hz(degree, octave=0):
        note = root + 12 * (octave + degree // len(scale)) + scale[degree % len(scale)]
        return f"{440 * 2 ** ((note - 69) / 12):.2f}"

    melody, chords, t, bar, step = [], [], 0.0, 0, rng.randint(3, 8)
    while t < d:
        degree = progression[bar % len(progression)] % len(scale)
        chords += ["synth", f"{4 * beat:.3f}"] + [x for k in (0, 2, 4) for x in (pad, hz(degree + k))] \
            + ["fade", "0.02", f"{4 * beat:.3f}", f"{beat:.3f}", ":"]
        left = 4.0
        while left > 0:
            length = min(left, rng.choice([0.5, 1, 1, 1, 1.5, 2]))
            step = max(0, min(14, step + rng.choice([-2, -1, -1, 0, 1, 1, 2])))
            if rng.random() < 0.1:
                melody += ["synth", f"{length * beat:.3f}", "sine", "0", ":"]  # a rest
            else:
                melody += ["synth", f"{length * beat:.3f}", lead, hz(step, 1),
                           "fade", "0.005", f"{length * beat:.3f}", f"{min(0.1, length * beat / 2):.3f}", ":"]
            left -= length
        t += 4 * beat
        bar += 1
    tracks = []
    for name, chain in (("melody", melody), ("chords", chords)):
        path = os.path.join(tmp, name + ".wav")
        subprocess.run(["sox", "-R", "-V1", "-n", "-r", str(rate), "-c", str(channels), "-e", "floating-point", "-b",
                        "32", path] + chain[:-1], check=True)
        tracks.append(path)
    return ["-m", "-v", f"{rng.uniform(0.35, 0.5):.2f}", tracks[0], "-v", f"{rng.uniform(0.2, 0.35):.2f}", tracks[1]], \
        ["reverb", str(rng.randint(10, 40)), "gain", "-n", "-3", "pad", "0", str(d), "trim", "0", str(d)]


def make_one(pool, row):
    """One planned file into the pool, through a temporary folder, so an interrupted run leaves no half file."""
    tag, kind, _, size, rate, channels, source, _ = row
    seed = int(tag[1:])
    rng = random.Random(seed * 7919)
    out = os.path.join(pool, f"{tag}.{kind}")
    if kind == "dat":
        with open(out + ".part", "wb") as f:
            f.write(rng.randbytes(size))
        os.replace(out + ".part", out)
        return
    d = seconds(kind, size, rate, channels)
    with tempfile.TemporaryDirectory(dir=pool) as tmp:
        inputs, effects = (speech if source == "speech" else music)(rng, tmp, d, rate, channels)
        signal = os.path.join(tmp, "signal.wav")
        # (sox warns that the pad at the end is cut by the trim: that is the point.)
        subprocess.run(["sox", "-R", "-V1"] + inputs + ["-e", "floating-point", "-b", "32", signal] + effects,
                       check=True)
        # A noise floor of the file's own, about 56 dB below full scale, one per channel.
        noise = [f"anoisesrc=seed={seed * 4 + c}:color=pink:amplitude=0.0015:sample_rate={rate}"
                 for c in range(channels)]
        args = ["ffmpeg", "-loglevel", "error", "-y", "-i", signal]
        for source in noise:
            args += ["-f", "lavfi", "-i", source]
        mix = "[1][2]join=inputs=2:channel_layout=stereo[n];[0][n]" if channels == 2 else "[0][1]"
        args += ["-filter_complex", mix + "amix=inputs=2:normalize=0:duration=first", "-fflags", "+bitexact",
                 "-map_metadata", "-1", "-ac", str(channels)]
        ext, encoding = KINDS[kind][:2]
        if encoding == "wavpack":
            pcm = os.path.join(tmp, "pcm.wav")
            subprocess.run(args + ["-c:a", "pcm_s16le", "-f", "wav", pcm], check=True)
            subprocess.run(["wavpack", "-q", "-y", pcm, "-o", out + ".part"], check=True)
        else:
            container = {"wav": "wav", "w64": "w64", "caf": "caf", "aif": "aiff", "au": "au"}[ext]
            subprocess.run(args + ["-c:a", encoding, "-f", container, out + ".part"], check=True)
    os.replace(out + ".part", out)


def make_pool(work, rows):
    pool = os.path.join(work, "pcm-pieces-pool")
    # The pool is made anew when the plan or the way its files are made (this script) changes.
    with open(__file__, "rb") as f:
        recipe = hashlib.sha256(f.read()).hexdigest()[:16]
    text_plan = f"#recipe {recipe}\n" + "".join(" ".join(map(str, r)) + "\n" for r in rows)
    plan_path = os.path.join(pool, "plan")
    if os.path.exists(os.path.join(pool, ".done")) and open(plan_path).read() == text_plan:
        return pool
    shutil.rmtree(pool, ignore_errors=True)
    os.makedirs(pool)
    with open(plan_path, "w") as f:
        f.write(text_plan)
    # The longest first, so the two jobs end together.
    order = sorted(rows, key=lambda r: -r[3])
    with concurrent.futures.ThreadPoolExecutor(2) as jobs:
        list(jobs.map(lambda r: make_one(pool, r), order))  # a failed file fails the run
    open(os.path.join(pool, ".done"), "w").close()
    return pool


def mtools(*args, check=True):
    return subprocess.run(list(args), capture_output=True, text=True, check=check,
                          env=dict(os.environ, MTOOLS_SKIP_CHECK="1", TZ="UTC", LC_ALL="C"))


class Fat32:
    """Just enough of a FAT32 volume to give files chains of clusters this script chooses."""

    def __init__(self, f):
        self.f = f
        f.seek(0)
        boot = f.read(512)
        self.bps, spc, self.reserved, self.fats = struct.unpack_from("<HBHB", boot, 11)
        self.fat_sectors, self.root, fsinfo = struct.unpack_from("<IxxxxIH", boot, 36)
        self.fsinfo = fsinfo * self.bps
        self.cluster = self.bps * spc
        self.data = (self.reserved + self.fats * self.fat_sectors) * self.bps
        f.seek(self.reserved * self.bps)
        self.fat = bytearray(f.read(self.fat_sectors * self.bps))
        total = struct.unpack_from("<I", boot, 32)[0]
        self.clusters = (total * self.bps - self.data) // self.cluster + 2

    def next(self, c):
        return struct.unpack_from("<I", self.fat, 4 * c)[0] & 0x0FFFFFFF

    def chain(self, c):
        out = []
        while 2 <= c < 0x0FFFFFF8:
            out.append(c)
            c = self.next(c)
        return out

    def free(self):
        return (c for c in range(2, self.clusters) if self.next(c) == 0)

    def link(self, clusters):
        for a, b in zip(clusters, clusters[1:] + [0x0FFFFFFF]):
            struct.pack_into("<I", self.fat, 4 * a, b)

    def entry(self, directory, short):
        """The byte offset in the image of the directory entry with this 8.3 name."""
        for c in self.chain(directory):
            base = self.data + (c - 2) * self.cluster
            self.f.seek(base)
            block = self.f.read(self.cluster)
            for i in range(0, self.cluster, 32):
                if block[i:i + 11] == short and not block[i + 11] & 0x08:
                    return base + i
        raise KeyError(short)

    def start(self, offset):
        self.f.seek(offset + 20)
        high = struct.unpack("<H", self.f.read(2))[0]
        self.f.seek(offset + 26)
        return high << 16 | struct.unpack("<H", self.f.read(2))[0]

    def write_cluster(self, c, data):
        self.f.seek(self.data + (c - 2) * self.cluster)
        self.f.write(data)

    def give(self, offset, clusters, size):
        """Points the directory entry at its chain and states its size."""
        self.f.seek(offset + 20)
        self.f.write(struct.pack("<H", clusters[0] >> 16))
        self.f.seek(offset + 26)
        self.f.write(struct.pack("<HI", clusters[0] & 0xFFFF, size))

    def flush(self):
        for i in range(self.fats):
            self.f.seek((self.reserved + i * self.fat_sectors) * self.bps)
            self.f.write(self.fat)
        # The free count as it now is; the next-free hint unknown, so the next writer scans from the start.
        self.f.seek(self.fsinfo + 488)
        self.f.write(struct.pack("<II", sum(1 for _ in self.free()), 0xFFFFFFFF))


def short_name(name):
    stem, ext = name.upper().split(".")
    return stem.ljust(8).encode() + ext.ljust(3).encode()


def ranges(clusters):
    """"3-42,83-101,105" for a chain of clusters, as mshowfat gives it."""
    out, first = [], clusters[0]
    for a, b in zip(clusters, clusters[1:] + [None]):
        if b != a + 1:
            out.append(f"{first}-{a}" if a > first else str(a))
            first = b
    return ",".join(out)


def interleave(img, files):
    """Writes the pairs: each pair's clusters taken alternately from the free ones, the card's start first."""
    with open(img, "r+b") as f:
        fat = Fat32(f)
        new = fat.start(fat.entry(fat.root, b"NEW        "))
        free = fat.free()
        written = {}
        for a, b in files:
            datas = [open(p, "rb").read() for _, p in (a, b)]
            counts = [-(-len(d) // fat.cluster) for d in datas]
            chains = [[], []]
            while len(chains[0]) < counts[0] or len(chains[1]) < counts[1]:
                for i in (0, 1):
                    if len(chains[i]) < counts[i]:
                        c = next(free)
                        fat.write_cluster(c, datas[i][len(chains[i]) * fat.cluster:][:fat.cluster])
                        chains[i].append(c)
            for (name, _), data, chain in zip((a, b), datas, chains):
                fat.link(chain)
                fat.give(fat.entry(new, short_name(name)), chain, len(data))
                written[name] = ranges(chain)
        fat.flush()
    return written


def main():
    img, size_mib, fill, work = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    rows = plan(size_mib << 20)
    pool = make_pool(work, rows)
    path = {r[0]: f"{r[0]}.{KINDS[r[1]][0] if r[1] in KINDS else 'dat'}" for r in rows}
    for name in (img, img + ".manifest"):
        if os.path.exists(name):
            os.remove(name)
    with open(img, "wb") as f:
        if fill == "random":
            r = random.Random(size_mib)
            for _ in range(size_mib):
                f.write(r.randbytes(1 << 20))
        else:
            f.truncate(size_mib << 20)
    # FAT32 needs 65525 clusters: 2 KiB clusters below 512 MiB, 4 KiB from there.
    spc = "8" if size_mib >= 512 else "4"
    subprocess.run(["mkfs.fat", "-F", "32", "-S", "512", "-s", spc, "-n", "PCMPIECES", "-i", "0C4D1E55", img],
                   check=True, stdout=subprocess.DEVNULL)
    mtools("mmd", "-i", img, "::/OLD", "::/NEW")
    state = {}
    old = [r for r in rows if r[2] == 1]
    for r in old:
        mtools("mcopy", "-i", img, os.path.join(pool, f"{r[0]}.{r[1]}"), f"::/OLD/{path[r[0]]}")
        state[r[0]] = ("OLD/" + path[r[0]], "live")
    # Every second file goes; the device then takes free clusters from the card's start (the FSInfo's
    # next-free hint cleared), so each new recording fills the holes in order.
    gone = [f"::/OLD/{path[r[0]]}" for r in old[1::2]]
    mtools("mdel", "-i", img, *gone)
    for r in old[1::2]:
        state[r[0]] = (state[r[0]][0], "deleted")
    with open(img, "r+b") as f:
        fsinfo = struct.unpack_from("<H", f.read(64), 48)[0]
        f.seek(fsinfo * 512 + 492)
        f.write(b"\xff\xff\xff\xff")
    for r in rows:
        if r[2] == 2:
            if mtools("mcopy", "-i", img, os.path.join(pool, f"{r[0]}.{r[1]}"), f"::/NEW/{path[r[0]]}",
                      check=False).returncode == 0:
                state[r[0]] = ("NEW/" + path[r[0]], "live")
    # The pairs: empty entries made by mcopy, then their clusters and chains written here.
    pairs = {}
    for r in rows:
        if r[2] == 3:
            mtools("mcopy", "-i", img, "/dev/null", f"::/NEW/{path[r[0]]}")
            pairs.setdefault(r[7], []).append((path[r[0]], os.path.join(pool, f"{r[0]}.{r[1]}")))
            state[r[0]] = ("NEW/" + path[r[0]], "live")
    written = interleave(img, pairs.values())

    live = [t for t, (_, s) in state.items() if s == "live"]
    chains = {}
    for line in mtools("mshowfat", "-i", img, *[f"::/{state[t][0]}" for t in live]).stdout.splitlines():
        name, _, rest = line.partition(" ")
        if rest.startswith("<"):
            chains[name[3:]] = ",".join(x.strip("<> ") for x in rest.split("<") if x.strip())
    # mtools reads back the chains written here.
    for name, chain in written.items():
        assert chains["NEW/" + name] == chain, (name, chains["NEW/" + name], chain)
    with open(img, "rb") as f:
        fat = Fat32(f)
    with open(img + ".manifest", "w") as m:
        m.write(f"#layout files\n#clusters {fat.cluster} {fat.data}\n")
        by_tag = {r[0]: r for r in rows}
        for tag, (where, s) in state.items():
            r = by_tag[tag]
            chain = chains.get(where, "-") if s == "live" else "-"
            m.write(f"{tag} {r[1]} {where} {s} {chain}" + (" interleaved" if r[2] == 3 else "") + "\n")
    pieces = {}
    for t in live:
        n = chains.get(state[t][0], "").count(",") + 1
        pieces[n] = pieces.get(n, 0) + 1
    print(f"{img}: {len(state)} files; " + ", ".join(f"{v} in {k} pieces" for k, v in sorted(pieces.items())
                                                        if k > 1))


if __name__ == "__main__":
    main()
