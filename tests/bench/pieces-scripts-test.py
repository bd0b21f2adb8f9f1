#!/usr/bin/env python3
"""The bench's cards in pieces: the FAT chains make-pcm-pieces-card.py writes for two recordings made at the
same time, and what score_pieces.py counts (back byte for byte, called whole but not, joined wrongly).
Exits 77 (skipped) without mkfs.fat or mtools."""
import json
import os
import random
import runpy
import shutil
import struct
import subprocess
import sys
import tempfile
import types
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
BENCH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench")
ENV = dict(os.environ, MTOOLS_SKIP_CHECK="1")


def load(name):
    # The script's functions, its main guard not run.
    return types.SimpleNamespace(**runpy.run_path(os.path.join(BENCH, name), run_name=name.replace("-", "_")))


class Interleave(unittest.TestCase):
    def test_two_recordings_take_alternate_clusters_and_read_back(self):
        card = load("make-pcm-pieces-card.py")
        with tempfile.TemporaryDirectory() as tmp:
            img = os.path.join(tmp, "card.img")
            with open(img, "wb") as f:
                f.truncate(40 << 20)  # 512-byte clusters: enough of them for FAT32
            subprocess.run(["mkfs.fat", "-F", "32", "-S", "512", "-s", "1", img], check=True, stdout=subprocess.DEVNULL)
            rng = random.Random(5)
            a, b = rng.randbytes(2800), rng.randbytes(1000)  # six clusters and two
            for name, data in (("a.wav", a), ("b.au", b)):
                with open(os.path.join(tmp, name), "wb") as f:
                    f.write(data)
            subprocess.run(["mmd", "-i", img, "::/NEW"], check=True, env=ENV)
            subprocess.run(["mcopy", "-i", img, os.path.join(tmp, "a.wav"), "::/before"], check=True, env=ENV)
            for name in ("a.wav", "b.au"):
                subprocess.run(["mcopy", "-i", img, "/dev/null", "::/NEW/" + name], check=True, env=ENV)
            pair = [(name, os.path.join(tmp, name)) for name in ("a.wav", "b.au")]
            chains = card.interleave(img, [pair])

            first = int(chains["a.wav"].split(",")[0])
            self.assertEqual(chains["a.wav"], f"{first},{first + 2},{first + 4}-{first + 7}")
            self.assertEqual(chains["b.au"], f"{first + 1},{first + 3}")
            shown = subprocess.run(["mshowfat", "-i", img, "::/NEW/a.wav", "::/NEW/b.au"], capture_output=True,
                                   text=True, check=True, env=ENV).stdout
            self.assertIn(f"<{first}> <{first + 2}> <{first + 4}-{first + 7}>", shown)
            self.assertIn(f"<{first + 1}> <{first + 3}>", shown)
            for name, data in (("a.wav", a), ("b.au", b)):
                back = subprocess.run(["mtype", "-i", img, "::/NEW/" + name], capture_output=True, check=True, env=ENV)
                self.assertEqual(back.stdout, data, name)
            # The FATs agree, nothing is lost or crossed, and the free count holds.
            check = subprocess.run(["fsck.fat", "-n", img], capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
            self.assertNotIn("Free cluster summary", check.stdout)


class Score(unittest.TestCase):
    """A card of three files on 512-byte clusters, cluster 2 at sector 232 (cluster c is sector 230 + c)."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)
        img = self.img = os.path.join(self.tmp, "card.img")
        boot = bytearray(512)
        struct.pack_into("<HBHB", boot, 11, 512, 1, 32, 2)
        struct.pack_into("<I", boot, 36, 100)
        with open(img, "wb") as f:
            f.write(boot)
        with open(img + ".manifest", "w") as f:
            f.write("#layout files\n#clusters 512 118784\n"
                    "p1 wav-x NEW/p1.wav live 10-11,20-21 interleaved\n"
                    "p2 au NEW/p2.au live 12-13,30\n"
                    "p3 dat OLD/p3.dat live 14-19\n")
        self.pool, self.out = os.path.join(self.tmp, "pool"), os.path.join(self.tmp, "out")
        os.makedirs(self.pool)
        os.makedirs(self.out)
        rng = random.Random(9)
        self.data = {"p1.wav-x": rng.randbytes(2048), "p2.au": rng.randbytes(1500), "p3.dat": rng.randbytes(3072)}
        for name, data in self.data.items():
            with open(os.path.join(self.pool, name), "wb") as f:
                f.write(data)

    def output(self, name, data):
        with open(os.path.join(self.out, name), "wb") as f:
            f.write(data)

    def score(self, report=None):
        args = [sys.executable, os.path.join(BENCH, "score_pieces.py"), self.img, self.pool, self.out]
        if report is not None:
            path = os.path.join(self.tmp, "report.json")
            with open(path, "w") as f:
                json.dump(report, f)
            args.append(path)
        return json.loads(subprocess.run(args, capture_output=True, text=True, check=True).stdout)

    def test_counts_each_fault_under_the_kind_that_starts_there(self):
        self.output("a.wav", self.data["p1.wav-x"])
        self.output("b.au", self.data["p2.au"][:1024] + bytes(512))  # its first piece and what follows it
        self.output("c.wav", self.data["p1.wav-x"][:1024] + self.data["p3.dat"][:1024])
        rows = self.score([
            {"name": "a.wav", "first_sector": 240, "pieces": "240+2,250+2",
             "verdict": "whole, reassembled from 2 pieces"},
            {"name": "b.au", "first_sector": 242, "pieces": "", "verdict": "whole"},
            {"name": "c.wav", "first_sector": 240, "pieces": "240+2,244+2", "verdict": "reassembled, unverified"},
            {"name": "d.wav", "first_sector": 244, "pieces": "", "verdict": "cut short"},
        ])
        self.assertEqual({k: rows["wav-x"][k] for k in ("fragmented", "two_piece", "identical", "wrong_joins",
                                                        "false_whole", "wrong")},
                         {"fragmented": 1, "two_piece": 1, "identical": 1, "wrong_joins": 1, "false_whole": 1,
                          "wrong": 1})
        self.assertEqual(rows["interleaved"]["identical"], 1)
        self.assertEqual(rows["interleaved"]["wrong"], 1)
        self.assertEqual((rows["au"]["identical"], rows["au"]["false_whole"], rows["au"]["wrong_joins"]), (0, 1, 0))
        self.assertEqual((rows["all"]["fragmented"], rows["all"]["identical"], rows["all"]["wrong"]), (2, 1, 2))
        self.assertNotIn("dat", rows)

    def test_without_a_report_faults_are_not_counted(self):
        self.output("a.wav", self.data["p1.wav-x"])
        rows = self.score()
        self.assertEqual(rows["all"]["identical"], 1)
        self.assertEqual((rows["all"]["wrong"], rows["all"]["false_whole"]), ("-", "-"))


if __name__ == "__main__":
    if not all(shutil.which(t) for t in ("mkfs.fat", "fsck.fat", "mcopy", "mshowfat", "mtype")):
        print("skipped: mkfs.fat, fsck.fat or mtools is missing")
        sys.exit(77)
    unittest.main()
