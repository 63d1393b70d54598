#!/usr/bin/env python3
"""Learning rates of real remotes through the program's recognition path.

Each key of a LIRC remote definition (Debian's lirc-compat-remotes) is rendered
with irsimsend, sampled as the remote samples it (every pulse and space off by up
to +-40 us), learned with `orvalin-cli analyse` (the code types, then the fallback
converter quendrix.dll), replayed with `orvalin-cli render` and decoded by
irsimreceive with the original definition. A key counts as decoded when the first
key that irsimreceive reports is the key that was sent.

    bench/converter_lirc_rates.py --cli build/orvalin-cli [--every N] [--keys K]

--every N takes every N-th definition (sorted by path), --keys K the first K keys
of each; the defaults give the fixed sample. --only A,B names the definitions. Prints the rates and, with -v, every
key that was not learned or not decoded. Exit status 0 when every key was learned
and every learned key decoded as itself.
"""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile

REMOTES = "/usr/share/lirc/remotes"
JITTER_US = 40
SILENCE_US = 10000  # longer spaces separate frames: the remote's clock, no jitter


def definitions(every):
    files = []
    for root, _, names in os.walk(REMOTES):
        for n in names:
            if n.startswith("lircd.conf"):
                files.append(os.path.join(root, n))
    files.sort()
    return files[::every]


def first_remote(text):
    """Name, frequency and key names of the first remote of a definition."""
    name, freq, keys = None, 38000, []
    section = None
    for raw in text.splitlines():
        line = raw.split("#", 1)[0].strip()
        if not line:
            continue
        words = line.split()
        low = [w.lower() for w in words]
        if low[:2] == ["end", "remote"]:
            break
        if low[:2] == ["begin", "codes"]:
            section = "codes"
        elif low[:2] == ["begin", "raw_codes"]:
            section = "raw"
        elif low[0] == "end":
            section = None
        elif section == "codes" and len(words) >= 2:
            keys.append(words[0])
        elif section == "raw" and low[0] == "name" and len(words) >= 2:
            keys.append(words[1])
        elif section is None and low[0] == "name" and name is None:
            name = words[1] if len(words) > 1 else ""
        elif section is None and low[0] == "frequency" and len(words) > 1:
            try:
                freq = int(words[1])
            except ValueError:
                pass
    seen, unique = set(), []
    for k in keys:
        if k not in seen:
            seen.add(k)
            unique.append(k)
    return name, freq, unique


ENV = dict(os.environ)


def run(cmd, cwd=None, stdin=None):
    return subprocess.run(cmd, cwd=cwd, input=stdin, capture_output=True, text=True,
                          timeout=30, env=ENV)


def sampled(mode2, freq, rng):
    out = ["carrier %d" % freq]
    for line in mode2.splitlines():
        m = re.match(r"(pulse|space)\s+(\d+)", line)
        if not m:
            continue
        d = int(m.group(2))
        if d < SILENCE_US:
            d = max(1, d + rng.randint(-JITTER_US, JITTER_US))
        out.append("%s %d" % (m.group(1), d))
    return "\n".join(out) + "\n"


def field(text, name):
    for line in text.splitlines():
        if line.startswith(name + ": "):
            return line[len(name) + 2:]
    return ""


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--cli", required=True)
    ap.add_argument("--every", type=int, default=8)
    ap.add_argument("--only", default="",
                    help="comma-separated definitions (paths under %s) instead" % REMOTES)
    ap.add_argument("--keys", type=int, default=6)
    ap.add_argument("--count", type=int, default=2, help="frames of a press (irsimsend -c)")
    ap.add_argument("--draw", type=int, default=11)
    ap.add_argument("-v", action="store_true")
    a = ap.parse_args()
    rng = random.Random(a.draw)
    cli = os.path.abspath(a.cli)
    sent = learned = decoded = rendered_as_sent = generic = 0
    skipped = 0
    with tempfile.TemporaryDirectory() as tmp:
        ENV["XDG_CACHE_HOME"] = tmp  # the LIRC tools' logs stay in the temporary folder
        chosen = ([os.path.join(REMOTES, p) for p in a.only.split(",")] if a.only
                  else definitions(a.every))
        for conf in chosen:
            with open(conf, errors="replace") as f:
                name, freq, keys = first_remote(f.read())
            for key in keys[: a.keys]:
                r = run(["irsimsend", "-k", key, "-c", str(a.count), conf], cwd=tmp)
                out = os.path.join(tmp, "simsend.out")
                if r.returncode != 0 or not os.path.exists(out):
                    skipped += 1
                    continue
                with open(out) as f:
                    original = f.read()
                os.remove(out)
                # Definitions that the oracle cannot decode from their own
                # rendering say nothing about the learner.
                probe = run(["irsimreceive", conf, "/dev/stdin"], cwd=tmp,
                            stdin="space 100000\n" + original + "space 100000\n")
                first = probe.stdout.split()
                if len(first) < 3 or first[2] != key:
                    skipped += 1
                    continue
                sent += 1
                signal = sampled(original, freq, rng)
                r = run([cli, "analyse", "--key", "33", "-"], stdin=signal)
                table = field(r.stdout, "table")
                if r.returncode != 0 or not table:
                    if a.v:
                        print("not learned: %s %s (%s)" % (conf, key, field(r.stdout, "type")))
                    continue
                learned += 1
                kind = field(r.stdout, "type")
                if kind.startswith("generic"):
                    generic += 1
                r = run([cli, "render", table])
                replay = "\n".join(l for l in r.stdout.splitlines() if not l.startswith("carrier"))
                got = run(["irsimreceive", conf, "/dev/stdin"], cwd=tmp,
                          stdin="space 100000\n" + replay + "\nspace 100000\n")
                words = got.stdout.split()
                if len(words) >= 3 and words[2] == key:
                    decoded += 1
                elif a.v:
                    print("decoded differently: %s %s -> %s (%s)" %
                          (conf, key, " ".join(words[:4]) or "nothing",
                           kind))
    pct = lambda n, d: 100.0 * n / d if d else 0.0
    print("keys sent: %d (skipped %d: definitions without IR timing, which irsimreceive"
          " does not decode from irsimsend's own rendering)" %
          (sent, skipped))
    print("learned: %d (%.1f %%), by the converter: %d" % (learned, pct(learned, sent), generic))
    print("decoded as the same key: %d of %d learned (%.1f %%)" %
          (decoded, learned, pct(decoded, learned)))
    return 0 if learned == sent and decoded == learned else 1


if __name__ == "__main__":
    sys.exit(main())
