#!/usr/bin/env python3
"""Times Quillot against the read limit, the copy limit and the peer carvers on benchmark cards.

The cards: the old ones (2 GiB of tagged files in many formats, make-bench-card.sh), the voice
recorder's (tagless frame streams beside photos and other files, make-voice-card.sh), the card in
pieces (new recordings written into the holes of deleted files, make-pieces-card.sh) and its kin for
uncompressed and lossless recordings that no checksum joins (make-pcm-pieces-card.py, with pairs of
recordings written cluster by cluster at the same time), each with its free space as zeros and as
random bytes. Each command runs several times on a warm page cache; the
median wall time counts, and the peak RSS is the largest seen. After each card's table a second one
gives, per format, the files recovered, the false starts and the splits; for the voice card and the cards
in pieces, a third counts per kind the recordings stored in pieces that came back byte for byte, the outputs
called whole that are not, and the wrong joins (score_pieces.py).
The results go to stdout and to build-bench/results.md.
"""
import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
BIN = os.path.join(ROOT, "build-bench", "bin")
CLI = os.path.join(BIN, "quillot-cli")
DECODER = os.path.join(BIN, "quillot-decode")
PEERS = os.path.join(HERE, "peers")


def timed(cmd, runs, prepare=None):
    """Median wall seconds, median user+sys CPU seconds and peak RSS (MiB) of cmd over runs, from /usr/bin/time."""
    walls, cpus, rss = [], [], 0
    for _ in range(runs):
        if prepare:
            prepare()
        out = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M", "--", "sh", "-c", cmd],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        wall, user, system, kib = out.stderr.strip().splitlines()[-1].split()
        walls.append(float(wall))
        cpus.append(float(user) + float(system))
        rss = max(rss, int(kib) / 1024)
    return statistics.median(walls), statistics.median(cpus), rss


def fresh(path):
    """Empties the output folder and writes back what earlier runs left dirty, so no run pays for another."""
    def make():
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        os.sync()
    return make


def machine():
    cpu = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    mem = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    return f"{cpu}, {os.cpu_count()} cores, {mem:.0f} GiB, {platform.platform()}"


# Per card kind: the image's name, the script that makes it and the folder of its files' bytes.
CARDS = {"old": ("card", "make-bench-card.sh", "pool"), "voice": ("voice", "make-voice-card.sh", "voice-pool"),
         "pieces": ("pieces", "make-pieces-card.sh", "pieces-pool"),
         "pcm-pieces": ("pcm-pieces", "make-pcm-pieces-card.py", "pcm-pieces-pool")}
# The cards in pieces: their photorec options (the kinds each holds) and their tables' titles.
PIECES = {"pieces": ("photorec.cmd", "Card in pieces"),
          "pcm-pieces": ("photorec-pcm.cmd", "Card of uncompressed and lossless recordings in pieces")}
# The rows of the per-format table.
PER_FORMAT = ("quillot, default formats", "quillot --trim, default formats", "quillot, every format", "photorec")


def card(work, size, fill, kind="old"):
    name, maker, pool = CARDS[kind]
    img = os.path.join(work, f"{name}-{fill}.img")
    pool = os.path.join(work, pool)
    if not os.path.exists(img + ".manifest") or os.path.getsize(img) != size * 2**20:
        run = [sys.executable] if maker.endswith(".py") else ["sh"]
        subprocess.run(run + [os.path.join(HERE, maker), img, str(size), fill, work], check=True)
    intact = img + ".intact"
    if kind in PIECES:
        return img, None, pool
    if not os.path.exists(intact) or os.path.getmtime(intact) < os.path.getmtime(img):
        with open(intact, "w") as f:
            subprocess.run([sys.executable, os.path.join(HERE, "score.py"), "intact", img, pool], stdout=f, check=True)
    return img, intact, pool


def score(img, intact, pool, out):
    r = subprocess.run([sys.executable, os.path.join(HERE, "score.py"), "output", img, pool, intact, out],
                       capture_output=True, text=True, check=True)
    return json.loads(r.stdout)


def score_pieces(img, pool, out, report=None):
    r = subprocess.run([sys.executable, os.path.join(HERE, "score_pieces.py"), img, pool, out]
                       + ([report] if report else []), capture_output=True, text=True, check=True)
    return json.loads(r.stdout)


def pieces_table(kind, fill, mb, rows):
    """The commands' times, then per kind the recordings in pieces and, for each command, those that came
    back byte for byte, the outputs called whole (or reassembled) that are not, and the wrong joins."""
    kinds = sorted({k for *_, result, _ in rows for k in result if k != "all"}) + ["all"]
    card = PIECES[kind][1] if kind in PIECES else "Voice recorder card, recordings in pieces"
    lines = [f"### {card}, free space filled with {'zeros' if fill == 'zero' else 'random bytes'} ({mb:.0f} MB)", "",
             "| command | wall s | CPU s | peak RSS MiB |", "|---|---|---|---|"]
    lines += [f"| {name} | {wall:.2f} | {cpu:.2f} | {rss:.1f} |" for name, wall, cpu, rss, *_ in rows]
    lines += ["", "| kind | in pieces (in two) | " + " | ".join(f"{name}: back (two) / false whole / wrong joins"
                                                         for name, *_ in rows) + " |",
              "|---|---|" + "---|" * len(rows)]
    for k in kinds:
        first = rows[0][4].get(k, {})
        cells = []
        for *_, result, _ in rows:
            r = result.get(k, {})
            cells.append(f"{r.get('identical', 0)} ({r.get('identical_two_piece', 0)}) / {r.get('false_whole', '-')}"
                         f" / {r.get('wrong_joins', '-')}")
        lines.append(f"| {k} | {first.get('fragmented', 0)} ({first.get('two_piece', 0)}) | " + " | ".join(cells)
                     + " |")
    return lines + ["", "Commands:", ""] + [f"- {name}: `{cmd}`" for name, *_, cmd in rows] + [""]


def pieces(kind, fill, mb, img, pool, q, out, args, chosen):
    """The recordings stored in pieces on a card: Quillot with and without --reassemble, and photorec."""
    report = os.path.join(args.work, "pieces-report.json")
    rows = []
    # Both write their report: what --trim alone calls whole counts too.
    for name, cmd in [("quillot --trim --reassemble", q + f" --trim --reassemble --report '{report}'"),
                      ("quillot --trim", q + f" --trim --report '{report}'")]:
        wall, cpu, rss = timed(cmd, args.runs, fresh(out))
        rows.append((name, wall, cpu, rss, score_pieces(img, pool, out + "/q", report), cmd))
    if "photorec" in chosen:
        with open(os.path.join(PEERS, PIECES.get(kind, PIECES["pieces"])[0])) as f:
            pcmd = f.read().strip()
        cmd = f"mkdir -p '{out}/p' && cd '{out}/p' && photorec /d '{out}/p/recup' /cmd '{img}' {pcmd}"
        wall, cpu, rss = timed(cmd, 1, fresh(out))
        rows.append(("photorec", wall, cpu, rss, score_pieces(img, pool, out + "/p"), cmd))
    for name, wall, _, rss, result, _ in rows:
        print(f"  {kind:10} {fill:6} {name:30} {wall:7.2f} s {rss:6.1f} MiB  identical "
              f"{result['all']['identical']}/{result['all']['fragmented']}, false whole "
              f"{result['all']['false_whole']}, wrong joins {result['all']['wrong_joins']}", flush=True)
    return pieces_table(kind, fill, mb, rows)


def crafted(work, mib, args):
    """A card of crafted heads: --trim --reassemble against --trim alone, the search's work bounded by the pass's."""
    img = os.path.join(work, f"crafted-{mib}.img")
    if not os.path.exists(img) or os.path.getsize(img) != mib * 2**20:
        subprocess.run([sys.executable, os.path.join(HERE, "make-crafted-card.py"), img, str(mib)], check=True)
    out = os.path.join(work, "out")
    q = f"'{CLI}' recover --image '{img}' --dest '{out}/q' --overwrite yes --all"
    rows = []
    for name, cmd in [("quillot --trim, every format", q + " --trim"),
                      ("quillot --trim --reassemble, every format", q + " --trim --reassemble")]:
        wall, cpu, rss = timed(cmd, args.runs, fresh(out))
        rows.append((name, wall, cpu, rss, cmd))
        print(f"  crafted {mib} MiB {name:45} {wall:7.2f} s {cpu:7.2f} s CPU {rss:6.1f} MiB", flush=True)
    ratio = rows[1][1] / rows[0][1] if rows[0][1] > 0 else float("nan")
    lines = [f"### Crafted heads: a FLAC head every 255 sectors, random bytes between ({mib} MiB)", "",
             "| command | wall s | CPU s | peak RSS MiB |", "|---|---|---|---|"]
    lines += [f"| {name} | {wall:.2f} | {cpu:.2f} | {rss:.1f} |" for name, wall, cpu, rss, _ in rows]
    return lines + ["", f"`--reassemble` takes {ratio:.2f} times the wall time of `--trim` alone.", "",
                    "Commands:", ""] + [f"- {name}: `{cmd}`" for name, *_, cmd in rows] + [""]


def per_format(rows):
    """The per-format table: intact files, then recovered / false starts / splits for each chosen command."""
    chosen = [(name, result) for name, *_, result, _ in rows if name in PER_FORMAT and result]
    if not chosen:
        return []
    formats = sorted({ext for _, result in chosen for ext in result["by_format"]})
    lines = ["| format | intact files | " + " | ".join(f"{name}: recovered / false starts / splits" for name, _ in chosen)
             + " |", "|---|---|" + "---|" * len(chosen)]
    for ext in formats:
        cells = []
        intact = 0
        for _, result in chosen:
            f = result["by_format"].get(ext, {})
            intact = max(intact, f.get("intact", 0))
            cells.append(f"{f.get('recovered', 0)} / {f.get('false_starts', 0)} / {f.get('splits', 0)}")
        lines.append(f"| {ext} | {intact} | " + " | ".join(cells) + " |")
    return lines + [""]


def table(kind, fill, mb, rows):
    """A card's main table, then the commands that made its rows."""
    limits = {name.split(":")[0]: wall for name, wall, *_ in rows if name.startswith(("read", "copy"))}
    every = {name: wall for name, wall, *_ in rows}.get("quillot, every format")

    def ratio(limit, wall):
        return f"{limits[limit] / wall:.2f}" if limit in limits else "-"

    space = f"free space filled with {'zeros' if fill == 'zero' else 'random bytes'} ({mb:.0f} MB)"
    lines = [f"### {space[0].upper() + space[1:] if kind == 'old' else 'Voice recorder card, ' + space}", "",
             "| command | wall s | CPU s | MB/s | peak RSS MiB | / read limit | / copy limit | vs quillot (every format) "
             "| intact files recovered | false starts | splits | MB written | / stream MB |",
             "|---|---|---|---|---|---|---|---|---|---|---|---|---|"]
    for name, wall, cpu, rss, result, _ in rows:
        lines.append(
            f"| {name} | {wall:.2f} | {cpu:.2f} | {mb / wall:.0f} | {rss:.1f} | {ratio('read limit', wall)} | "
            f"{ratio('copy limit', wall)} | " + (f"{wall / every:.2f}x | " if every else "- | ")
            + (f"{result['recovered']} of {result['intact']} | {result['false_starts']} | {result['splits']} | "
               f"{result['bytes'] / 1e6:.0f} | {result['bytes'] / max(result['stream_bytes'], 1):.2f} |"
               if result else "- | - | - | - | - |"))
    return lines + ["", "Commands:", ""] + [f"- {name}: `{cmd}`" for name, *_, cmd in rows] + [""]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size-mib", type=int, default=2048, help="the size of the old cards")
    ap.add_argument("--voice-size-mib", type=int, default=256, help="the size of the voice recorder's cards")
    ap.add_argument("--pieces-size-mib", type=int, default=512, help="the size of the cards in pieces")
    ap.add_argument("--pcm-pieces-size-mib", type=int, default=256,
                    help="the size of the cards of uncompressed and lossless recordings in pieces")
    ap.add_argument("--cards", default="old,voice,pieces,pcm-pieces,crafted",
                    help="the cards to run, comma-separated: old, voice, pieces, pcm-pieces, crafted")
    ap.add_argument("--crafted-size-mib", type=int, default=256, help="the size of the card of crafted heads")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--work", default=os.path.join(ROOT, "build-bench", "work"))
    ap.add_argument("--skip-peers", action="store_true", help="leave out foremost, scalpel and photorec")
    ap.add_argument("--peers", default="foremost,scalpel,photorec", help="the peers to run, comma-separated")
    ap.add_argument("--compare-cli", help="an earlier build's quillot-cli, timed beside this one without --trim")
    args = ap.parse_args()
    os.makedirs(args.work, exist_ok=True)
    out = os.path.join(args.work, "out")
    kinds = args.cards.split(",")
    sizes = {"old": args.size_mib, "voice": args.voice_size_mib, "pieces": args.pieces_size_mib,
             "pcm-pieces": args.pcm_pieces_size_mib, "crafted": args.crafted_size_mib}
    lines = [f"Machine: {machine()}",
             "Cards: " + ", ".join(f"{kind} {sizes[kind]} MiB" for kind in kinds)
             + f"; median of {args.runs} runs, warm page cache", ""]
    chosen = set() if args.skip_peers else set(args.peers.split(","))

    if "crafted" in kinds:
        lines += crafted(args.work, args.crafted_size_mib, args)
        kinds = [k for k in kinds if k != "crafted"]
    for kind, fill in [(kind, fill) for kind in kinds for fill in ("zero", "random")]:
        img, intact, pool = card(args.work, sizes[kind], fill, kind)
        mb = os.path.getsize(img) / 1e6
        subprocess.run(["sh", "-c", f"cat '{img}' > /dev/null"], check=True)
        rows = []

        def run(name, cmd, files=True, runs=args.runs):
            wall, cpu, rss = timed(cmd, runs, fresh(out))
            result = score(img, intact, pool, out) if files else None
            rows.append((name, wall, cpu, rss, result, cmd))
            print(f"  {kind:5} {fill:6} {name:40} {wall:7.2f} s {cpu:7.2f} s CPU {mb / wall:8.0f} MB/s {rss:6.1f} MiB"
                  + (f"  recovered {result['recovered']}/{result['intact']}, false starts {result['false_starts']}, "
                     f"splits {result['splits']}, {result['bytes'] / 1e6:.0f} MB written" if result else ""), flush=True)

        q = f"'{CLI}' recover --image '{img}' --dest '{out}/q' --overwrite yes"
        if kind in PIECES:
            lines += pieces(kind, fill, mb, img, pool, q, out, args, chosen)
            continue
        if kind == "voice":
            # The recorder's card: what the tagless frame streams cost and give, against photorec looking
            # for the formats the card holds.
            run("quillot, default formats", q)
            run("quillot --trim, default formats", q + " --trim")
            # Every recovered file decoded after the pass, each in its own child process.
            os.path.exists(DECODER) and run("quillot --trim --verify, default formats", q + " --trim --verify")
            run("quillot, every format", q + " --all")
            with open(os.path.join(PEERS, "photorec-voice.cmd")) as f:
                pcmd = f.read().strip()
            "photorec" in chosen and run(
                "photorec", f"mkdir -p '{out}/p' && cd '{out}/p' && photorec /d '{out}/p/recup' /cmd '{img}' {pcmd}")
            lines += table(kind, fill, mb, rows) + per_format(rows)
            lines += pieces(kind, fill, mb, img, pool, q, out, args, set())
            continue
        if args.compare_cli:
            b = f"'{args.compare_cli}' recover --image '{img}' --dest '{out}/q' --overwrite yes"
            run("earlier build: dry run, default formats", b + " --dry-run", files=False)
            run("earlier build: default formats", b)
        run("read limit: cat > /dev/null", f"cat '{img}' > /dev/null", files=False)
        run("copy limit: cat > copy.bin", f"cat '{img}' > '{out}/copy.bin'", files=False)
        run("quillot dry run, default formats", q + " --dry-run", files=False)
        run("quillot dry run, every format", q + " --dry-run --all", files=False)
        run("quillot, default formats", q)
        run("quillot, every format", q + " --all")
        run("quillot --trim, default formats", q + " --trim")
        run("quillot --trim, every format", q + " --trim --all")
        os.path.exists(DECODER) and run("quillot --trim --verify, default formats", q + " --trim --verify")
        # The same pass through the wizard's window (offscreen), which repaints on a timer.
        g = f"QT_QPA_PLATFORM=offscreen '{os.path.join(BIN, 'quillot')}' --bench-pass '{img}' '{out}/g'"
        if os.path.exists(os.path.join(BIN, "quillot")):
            run("quillot wizard, dry run, default formats", g + " --dry-run", files=False)
            run("quillot wizard, default formats", g)
        # The peers are slow: one run each.
        "foremost" in chosen and run("foremost", f"foremost -Q -c '{PEERS}/foremost.conf' -i '{img}' -o '{out}/f'", runs=1)
        "scalpel" in chosen and run("scalpel", f"scalpel -c '{PEERS}/scalpel.conf' -o '{out}/s' '{img}'", runs=1)
        with open(os.path.join(PEERS, "photorec.cmd")) as f:
            pcmd = f.read().strip()
        # photorec is as fast as Quillot: it runs as often as Quillot does.
        "photorec" in chosen and run(
            "photorec", f"mkdir -p '{out}/p' && cd '{out}/p' && photorec /d '{out}/p/recup' /cmd '{img}' {pcmd}")

        lines += table(kind, fill, mb, rows) + per_format(rows)

    micro = os.path.join(BIN, "quillot_file_detection_bench")
    # A build of quillot-cli alone has no micro-benchmark.
    if os.path.exists(micro):
        r = subprocess.run([micro, "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                           capture_output=True, text=True)
        lines += ["### Matcher micro-benchmark (ns per sector, median of 3)", "", "```"]
        lines += [l for l in r.stdout.splitlines() if "median" in l] + ["```", ""]
    report = "\n".join(lines)
    print(report)
    with open(os.path.join(ROOT, "build-bench", "results.md"), "w") as f:
        f.write(report + "\n")


if __name__ == "__main__":
    main()
