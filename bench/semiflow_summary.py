#!/usr/bin/env python3
"""Merges tables of bench/semiflows.sh and sums them up.

Usage: semiflow_summary.py TABLE.md [TABLE.md ...] [--alone TABLE.md] [--floor SECONDS]
A later table's row replaces an earlier one's for the same net and side.
--alone adds the vantira column of a run without peers (--no-peers) as
"vantira alone s". Prints the merged table, then the medians of the peers'
time over vantira's where both finished side by side, the worst such ratio,
and how many systems each finished (60 s, 8 GB; vantira in either run).
--floor gives what the harness adds to every run (a subshell, ulimit and
timeout; bench/semiflows.sh prints it as the time of `true` under the same
caps); the medians are then given also for the times less it, since on small
systems it is most of what both sides measure.
"""
import statistics
import sys


def rows(path):
    out = {}
    for line in open(path):
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) >= 9 and cells[1] in ("P", "T"):
            out[(cells[0], cells[1])] = cells
    return out


def seconds(cell):
    try:
        return float(cell)
    except ValueError:
        return None


args = sys.argv[1:]
alone = {}
if "--alone" in args:
    k = args.index("--alone")
    alone = rows(args[k + 1])
    del args[k:k + 2]
floor = 0.0
if "--floor" in args:
    k = args.index("--floor")
    floor = float(args[k + 1])
    del args[k:k + 2]
merged = {}
for path in args:
    merged.update(rows(path))
print("| net | side | variables | equations | semiflows | vantira s | vantira alone s | 4ti2 s | Normaliz s | same set |")
print("|---|---|---:|---:|---:|---:|---:|---:|---:|---|")
finished = {"vantira": 0, "4ti2": 0, "Normaliz": 0}
ratios = {"4ti2": [], "Normaliz": []}
net_ratios = {"4ti2": [], "Normaliz": []}
for key, c in merged.items():
    solo = alone.get(key, [""] * 9)[5] if key in alone else "-"
    print("| " + " | ".join(c[:6] + [solo] + c[6:9]) + " |")
    ours = seconds(c[5])
    # Finished in either run: beside the peers (writing its semiflows) or alone.
    finished["vantira"] += ours is not None or seconds(solo) is not None
    for name, cell in (("4ti2", c[6]), ("Normaliz", c[7])):
        theirs = seconds(cell)
        finished[name] += theirs is not None
        if theirs is not None and ours is not None:
            ratios[name].append(theirs / max(ours, 1e-3))
            net_ratios[name].append(max(theirs - floor, 1e-3) / max(ours - floor, 1e-3))
print()
print(f"systems: {len(merged)}; finished within the caps: " + ", ".join(f"{k} {v}" for k, v in finished.items()))
for name, r in ratios.items():
    if r:
        print(f"{name}: over the {len(r)} systems both finished, its time / vantira's: median {statistics.median(r):.1f}, "
              f"least {min(r):.2f} (vantira slower than {name} by more than 1.5x on {sum(x < 1 / 1.5 for x in r)})")
        if floor:
            n = net_ratios[name]
            print(f"{name}, times less the harness's {floor:.4f} s: median {statistics.median(n):.1f}, least {min(n):.2f}")
