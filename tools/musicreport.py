#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# musicreport.py: measures the demo's music as a mixing engineer and a
# tracker musician would, and prints every figure beside its target, per
# scene and for the whole piece. The module is rendered by libxmp (through
# the musicrender tool) at 44100 Hz stereo with default settings, up to
# music time 26.5 where the demo ends; loudness, loudness range, true peak
# and K-weighted levels come from ffmpeg's ebur128 filter, the rest from
# numpy and scipy.
#
#   tools/musicreport.py [--build DIR] [MODULE]
#
# Without MODULE it measures the built-in one (tormel --write-assets).
# Run it with Debian's /usr/bin/python3; it installs what it needs.
import argparse
import math
import os
import re
import subprocess
import sys
import tempfile
from collections import Counter

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
subprocess.run([os.path.join(ROOT, "scripts", "need.sh"), "python3-numpy", "python3-scipy", "ffmpeg"], check=True)
import numpy as np  # noqa: E402
from scipy import signal  # noqa: E402

RATE, TICK, ROW = 44100, 882, 6 * 882
END = 26 * 64 + 32  # rows: music time 26.5
# Channels, as src/assets/song.h lays them out.
KICK, SNARE, HAT, FX, BASS, PAD1, PAD2, PAD3, LEAD, ARP, ECHO, PERC = range(12)
PADS = (PAD1, PAD2, PAD3)
SCENES = [(0, 6), (6, 12), (12, 18), (18, 24), (24, 26.5)]
KICKROWS, SNAREROWS = {0, 3, 6, 9, 10, 13}, {4, 12}
NAMES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]


# Where the picture follows the gates (music time in patterns), as the
# drum-lock test has it: the logo and sprites jump on the kick rows, the
# picture flashes on the snare rows.
def kickshown(t):
    return 2 <= t < 5.9375 or 8 <= t < 12 or 16 <= t < 24


def snareshown(t):
    return 1 <= t < 5.9375 or 6 <= t < 12 or 14 <= t < 23.75


def scenerows(k):
    a, b = SCENES[k]
    return int(a * 64), int(b * 64)


def db(x):
    return 10 * math.log10(x) if x > 0 else -math.inf


def line(name, value, target, ok):
    mark = "" if ok is None else ("  ok" if ok else "  MISSED")
    print(f"  {name:<44} {value:<22} target {target}{mark}")


# ---------------------------------------------------------------- input

def render(build, module, work):
    tool = os.path.join(build, "musicrender")
    for need in (tool, os.path.join(build, "tormel")):
        if not os.access(need, os.X_OK):
            sys.exit(f"musicreport: no {need}: build the project first (or name the build folder with --build)")
    if module is None:
        subprocess.run([os.path.join(build, "tormel"), "--write-assets", work], check=True, capture_output=True)
        module = os.path.join(work, "mmm.xm")
    subprocess.run([tool, module, work], check=True)


def readwav(path):
    with open(path, "rb") as f:
        data = f.read()
    return np.frombuffer(data[44:], dtype="<i2").astype(np.float64).reshape(-1, 2) / 32768.0


def readtsv(path):
    with open(path) as f:
        head = f.readline().rstrip("\n").split("\t")
        rows = []
        for ln in f:
            cells = ln.rstrip("\n").split("\t")
            rows.append({k: (v if k == "name" else int(v)) for k, v in zip(head, cells)})
    return rows


# ---------------------------------------------------------------- loudness

def ebur128(path, start=None, end=None, frames=False):
    """Integrated loudness, loudness range, true peak; or the momentary
    loudness every 100 ms (frames=True)."""
    chain = "ebur128=peak=true" + (":framelog=verbose" if frames else "")
    if start is not None:
        chain = f"atrim=start={start}:end={end}," + chain
    out = subprocess.run(["ffmpeg", "-hide_banner", "-nostats", "-v", "verbose" if frames else "info", "-i", path,
                          "-af", chain, "-f", "null", "-"], capture_output=True, text=True).stderr
    if frames:  # digital silence reads as nan
        m = re.findall(r"\bt: *[\d.]+ +TARGET:[^M]*M: *(-?[\d.]+|-?inf|nan)", out)
        return np.array([-math.inf if v == "nan" else float(v) for v in m])
    summary = out[out.rfind("Summary:"):]
    get = lambda key: float(re.search(key + r":\s*(-?[\d.]+|-inf)", summary).group(1))  # noqa: E731
    return get("I"), get("LRA"), get("Peak")


# ---------------------------------------------------------------- events

class song:
    def __init__(self, work):
        self.events = readtsv(os.path.join(work, "events.tsv"))
        self.samples = {(s["instrument"], s["sample"]): s for s in readtsv(os.path.join(work, "samples.tsv"))}
        self.work = work
        self.cell = {}
        for e in self.events:
            self.cell[(e["order"] * 64 + e["row"], e["channel"])] = e
        self.names = {s["instrument"]: s["name"] for s in self.samples.values()}

    def notes(self, ch, rows=(0, END)):
        return [(r, self.cell[(r, ch)]) for r in range(*rows) if (r, ch) in self.cell and 1 <= self.cell[(r, ch)]["note"] <= 96]

    def instrument(self, name):
        return next((i for i, n in self.names.items() if n == name), None)


# ---------------------------------------------------------------- figures

def stereo(mix, chans):
    print("stereo")
    L, R = mix[:END * ROW, 0], mix[:END * ROW, 1]
    corr = float(np.corrcoef(L, R)[0, 1])
    side = db(np.sum((L - R) ** 2) / np.sum((L + R) ** 2))
    line("left/right correlation, whole piece", f"{corr:.3f}", "0.85..0.95", 0.85 <= corr <= 0.95)
    line("side under mid, whole piece", f"{-side:.1f} dB", "12..18 dB", 12 <= -side <= 18)
    for k in range(5):
        a, b = scenerows(k)
        l, r = L[a * ROW:b * ROW], R[a * ROW:b * ROW]
        print(f"    scene {k + 1}: correlation {np.corrcoef(l, r)[0, 1]:.3f}, "
              f"side {-db(np.sum((l - r) ** 2) / np.sum((l + r) ** 2)):.1f} dB under the mid")
    groups = {"kick": [KICK], "snare": [SNARE], "hats": [HAT], "effects": [FX], "bass": [BASS], "pads": list(PADS),
              "lead": [LEAD], "arpeggio": [ARP], "echo": [ECHO], "percussion": [PERC]}
    spread = {}
    for name, chs in groups.items():
        x = sum(chans[ch] for ch in chs)
        el, er = np.sum(x[:, 0] ** 2), np.sum(x[:, 1] ** 2)
        if el + er == 0:
            continue
        bal = db(el / er) if el and er else math.inf
        wid = db(np.sum((x[:, 0] - x[:, 1]) ** 2) / max(np.sum((x[:, 0] + x[:, 1]) ** 2), 1e-30))
        spread[name] = (bal, wid)
        print(f"    {name:<11} balance {bal:+6.1f} dB (left over right), side {-wid:5.1f} dB under the mid")
    spreadout = all(spread[g][1] >= -20 for g in ("pads", "arpeggio", "echo") if g in spread)
    centred = all(abs(spread[g][0]) <= 0.5 and spread[g][1] <= -30 for g in ("kick", "snare", "bass") if g in spread)
    line("pads, arpeggio and echo spread", "yes" if spreadout else "no", "each side at most 20 dB under its mid",
         spreadout)
    line("kick, snare and bass centred", "yes" if centred else "no", "within 0.5 dB, side 30 dB under", centred)


def balance(s, work, loud):
    """The lead's level against the pads' where it plays, and against the
    loudness of its scene: the scenes grow louder by design, so the leads
    are compared by how far they stand out of their own scene."""
    print("balance (K-weighted, where the lead plays)")
    m = {ch: ebur128(os.path.join(work, f"ch{ch:02d}.wav"), frames=True) for ch in (LEAD, PAD1, PAD2, PAD3)}
    n = min(len(v) for v in m.values())
    power = {ch: 10 ** (v[:n] / 10) for ch, v in m.items()}
    pads = power[PAD1] + power[PAD2] + power[PAD3]
    lead = power[LEAD]
    t = (np.arange(n) + 1) * 0.1  # the end of each 400 ms window, in seconds
    plays = lead > 10 ** (-60 / 10)
    levels, overs = [], []
    for k in range(5):
        a, b = scenerows(k)
        w = plays & (t >= a * ROW / RATE + 0.4) & (t <= b * ROW / RATE)
        if not w.any():
            print(f"    scene {k + 1}: no lead")
            continue
        lv, pv = db(lead[w].mean()), db(pads[w].mean())
        leads = sorted({s.names[e["instrument"]] for _, e in s.notes(LEAD, (a, b)) if e["instrument"]})
        levels.append(lv - loud[k])
        overs.append(lv - pv)
        print(f"    scene {k + 1}: lead ({', '.join(leads)}) {lv:6.1f} LUFS, pads {pv:6.1f} LUFS: {lv - pv:+5.1f} dB; "
              f"lead {lv - loud[k]:+5.1f} dB against the scene's {loud[k]:.1f} LUFS")
    if not overs:
        return
    line("lead over the pads, least of the scenes", f"{min(overs):+.1f} dB", "at least +2 dB", min(overs) >= 2)
    line("spread of the leads against their scenes", f"{max(levels) - min(levels):.1f} dB", "at most 2 dB",
         max(levels) - min(levels) <= 2)


def rhythm(s):
    print("rhythm")
    bars = Counter()
    for o in range(27):
        for b in range(4):
            mask = frozenset(r for r in range(16) if (o * 64 + b * 16 + r, LEAD) in s.cell
                             and 1 <= s.cell[(o * 64 + b * 16 + r, LEAD)]["note"] <= 96)
            if mask and o * 64 + b * 16 < END:
                bars[mask] += 1
    total = sum(bars.values())
    two = sum(c for _, c in bars.most_common(2))
    line("lead bars on the two commonest rhythms", f"{two} of {total}", "at most half", two * 2 <= total)
    kicks = s.notes(KICK)
    vols = Counter(e["volume"] if e["volume"] >= 0 else 64 for _, e in kicks)
    top = vols.most_common(1)[0]
    line("kicks at the commonest volume", f"{top[1]} of {len(kicks)} at {top[0]}", "accented: at most 2/3",
         top[1] * 3 <= len(kicks) * 2)
    for ch, gaterows, shown, name in ((KICK, KICKROWS, kickshown, "kick"), (SNARE, SNAREROWS, snareshown, "snare")):
        rows = [r for r in range(END) if r % 16 in gaterows and shown(r / 64)]
        held = sum((r, ch) in s.cell and 1 <= s.cell[(r, ch)]["note"] <= 96 for r in rows)
        off = sum(1 for r, _ in s.notes(ch) if r % 16 not in gaterows and r < 24 * 64 and (ch == KICK or shown(r / 64)))
        line(f"{name} rows of the picture with their {name}", f"{held} of {len(rows)}, {off} off", "all, none off",
             held == len(rows) and off == 0)
    # A fill: the fourth bar of a pattern with a beat differs from its third
    # on the channels the picture does not follow.
    free = (HAT, PERC, FX)
    beat = [o for o in range(26) if any((o * 64 + r, KICK) in s.cell for r in range(64))]
    fills = 0
    for o in beat:
        def bar(b):
            return [(r, ch, s.cell[(o * 64 + b * 16 + r, ch)]["note"], s.cell[(o * 64 + b * 16 + r, ch)]["instrument"])
                    for r in range(16) for ch in free if (o * 64 + b * 16 + r, ch) in s.cell]
        fills += bar(3) != bar(2)
    line("patterns with a beat and a fourth-bar fill", f"{fills} of {len(beat)}", "all", fills == len(beat))
    for k in (0, 2, 4):
        a, b = scenerows(k)
        notes = s.notes(BASS, (a, b))
        on = sum(r % 16 in KICKROWS for r, _ in notes)
        print(f"    scene {k + 1}: {on} of {len(notes)} bass notes on kick rows")


def harmony(s):
    print("harmony (bass root at the start of every bar)")
    roots = []  # None: a bar without a bass note on its first row (a break)
    for bar in range(END // 16 + 1):
        notes = [e["note"] for r, e in s.notes(BASS, (bar * 16, bar * 16 + 1))]
        roots.append((notes[0] - 1) % 12 if notes else None)
    families = []
    for k in range(5):
        a, b = scenerows(k)
        seq = roots[a // 16:(b + 15) // 16]
        print(f"    scene {k + 1}: " + " | ".join(" ".join(NAMES[x] if x is not None else "-" for x in seq[i:i + 4])
                                                for i in range(0, len(seq), 4)))
        first = seq[4:8] if k == 0 else seq[:4]  # the opening's first pattern is an intro on the same chords
        families.append(tuple((x - first[0]) % 12 for x in first))
    loop3 = roots[12 * 4:14 * 4]
    leaves = any(x != y for x, y in zip(roots[16 * 4:18 * 4], loop3) if x is not None and y is not None)
    line("scene 3's last two orders leave its loop", "yes" if leaves else "no", "yes", leaves)
    differ = families[1] != families[0] or families[3] != families[0]
    line("scene 2 or 4 a different family than scene 1", "yes" if differ else "no",
         "yes (root steps of the first four bars)", differ)


def loudness(work):
    print("loudness (EBU R128)")
    mix = os.path.join(work, "mix.wav")
    whole = ebur128(mix)
    line("integrated, whole piece", f"{whole[0]:.1f} LUFS", "-16..-14 LUFS", -16 <= whole[0] <= -14)
    line("true peak, whole piece", f"{whole[2]:.1f} dBTP", "at most -1 dBTP", whole[2] <= -1)
    line("loudness range, whole piece", f"{whole[1]:.1f} LU", "at least 5 LU", whole[1] >= 5)
    scene = []
    for k in range(5):
        a, b = scenerows(k)
        i, lra, peak = ebur128(mix, a * ROW / RATE, b * ROW / RATE)
        scene.append(i)
        print(f"    scene {k + 1}: {i:6.1f} LUFS, range {lra:4.1f} LU, true peak {peak:5.1f} dBTP")
    lift = min(scene[3], scene[4]) - max(scene[:3])
    line("scenes 4 and 5 over scenes 1-3", f"{lift:+.1f} LU", "at least +1 LU", lift >= 1)
    return scene


def predictedaliasing(s):
    """For every note: the part of its sample's power that the note's pitch
    puts above the output's Nyquist frequency, where it folds back."""
    print("clean")
    spectra = {}
    for key, sm in s.samples.items():
        x = np.fromfile(os.path.join(s.work, f"sample{key[0]:02d}-{key[1]}.raw"), dtype="<i2").astype(np.float64)
        if sm["loopstart"] >= 0:
            x = x[sm["loopstart"]:sm["loopend"]]  # whole cycles: its own bins are exact
        else:
            x = x * signal.windows.hann(len(x))
        p = np.abs(np.fft.rfft(x)) ** 2
        spectra[key] = (np.arange(len(p)) / len(x), p)  # cycles a frame, power
    worst, bad, played, current = {}, Counter(), Counter(), {}
    for e in s.events:
        r, ch = e["order"] * 64 + e["row"], e["channel"]
        if r >= END or not 1 <= e["note"] <= 96:
            continue
        if e["instrument"]:
            current[ch] = (e["instrument"], max(e["sample"], 0))
        if ch not in current:
            continue
        key = current[ch]
        sm = s.samples[key]
        rate = 8363 * 2 ** ((e["note"] - 49 + sm["relativenote"] + sm["finetune"] / 128) / 12)
        f, p = spectra[key]
        above = p[f * rate > RATE / 2].sum()
        level = db(above / p.sum()) if p.sum() else -math.inf
        k = next(i for i in range(5) if scenerows(i)[0] <= r < scenerows(i)[1])
        played[k] += 1
        if level > -60:
            bad[k] += 1
        if level > worst.get(k, (-math.inf,))[0]:
            worst[k] = (level, s.names[key[0]], e["note"])
    for k in range(5):
        if k in worst:
            lv, name, note = worst[k]
            octave, pc = divmod(note - 1, 12)
            print(f"    scene {k + 1}: {bad[k]} of {played[k]} notes alias above -60 dB; worst {lv:6.1f} dB "
                  f"({name} {NAMES[pc]}{octave})")
    total = sum(bad.values())
    line("notes whose aliasing is under 60 dB below", f"{sum(played.values()) - total} of {sum(played.values())}",
         "all", total == 0)


def phasejumps(s, lead):
    """Jumps in the phase of the glass lead at tick boundaries (orders 8-11):
    the phase line fitted inside the tick before and the tick after a
    boundary, both carried to the boundary, should meet."""
    glass = s.instrument("glass")
    if glass is None:
        print("    no glass lead")
        return
    x = lead.mean(axis=1)
    notes = [(r, e) for r, e in s.notes(LEAD, (8 * 64, 12 * 64)) if e["instrument"] == glass]
    events = sorted(r for r in range(8 * 64, 12 * 64 + 1) if (r, LEAD) in s.cell or r == 12 * 64)
    ticks, jumps = 0, 0
    for r, e in notes:
        end = next(q for q in events if q > r)
        a, b = r * ROW, end * ROW
        seg = x[a:b]
        spectrum = np.abs(np.fft.rfft(seg * signal.windows.hann(len(seg))))
        f0 = np.argmax(spectrum) * RATE / len(seg)
        sos = signal.butter(4, [0.75 * f0, 1.3 * f0], btype="bandpass", fs=RATE, output="sos")
        phase = np.unwrap(np.angle(signal.hilbert(signal.sosfiltfilt(sos, seg))))
        n = np.arange(len(seg))
        for k in range(2 * TICK, len(seg) - TICK, TICK):  # from the note's third tick: past its attack
            before, after = slice(k - 700, k - 100), slice(k + 100, k + 700)
            pb = np.polyfit(n[before], phase[before], 1)
            pa = np.polyfit(n[after], phase[after], 1)
            d = np.polyval(pa, k) - np.polyval(pb, k)
            d = (d + math.pi) % (2 * math.pi) - math.pi
            ticks += 1
            jumps += abs(d) > 0.05
    line("glass phase jumps at tick boundaries", f"{jumps} of {ticks}", "fewer than 20 per 1462", jumps * 1462 < 20 * ticks)


def main():
    ap = argparse.ArgumentParser(description="Measures the demo's music against its targets.")
    ap.add_argument("--build", default=os.path.join(ROOT, "build"), help="the build folder (tormel, musicrender)")
    ap.add_argument("module", nargs="?", help="a module file; the built-in one if none")
    a = ap.parse_args()
    with tempfile.TemporaryDirectory(prefix="musicreport.") as work:
        render(a.build, a.module, work)
        s = song(work)
        mix = readwav(os.path.join(work, "mix.wav"))
        chans = {ch: readwav(os.path.join(work, f"ch{ch:02d}.wav")) for ch in range(12)}
        stereo(mix, chans)
        loud = loudness(work)
        balance(s, work, loud)
        rhythm(s)
        harmony(s)
        predictedaliasing(s)
        phasejumps(s, chans[LEAD])


if __name__ == "__main__":
    sys.exit(main())
