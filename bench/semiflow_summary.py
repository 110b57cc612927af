#!/usr/bin/env python3
"""Merges tables of bench/semiflows.sh and sums them up.

Usage: semiflow_summary.py TABLE.md [TABLE.md ...] [--alone TABLE.md] [--floor SECONDS]
A later table's row replaces an earlier one's for the same net and side.
--alone adds the vantira column of a run without peers (--no-peers) as
"vantira alone s" (absent without it). Prints the merged table, then for each peer the median
of its time over vantira's where both finished side by side, the worst such
ratio, the median over the systems where the peer took at least 0.1 s (where
solving, not starting a process, is what is measured), and how many systems
each finished (60 s, 8 GB; vantira in either run). --floor gives what
starting and ending a process under the caps costs (bench/semiflows.sh
prints it as the time of `true`); the medians are then given also for the
times less it. Tables with or without the "4ti2 binary s" column are read.
"""
import statistics
import sys

PEERS = ("4ti2", "4ti2 binary", "Normaliz")
COLUMNS = ("net", "side", "variables", "equations", "semiflows", "vantira s") + tuple(p + " s" for p in PEERS) + (
    "same set",)


def rows(path):
    out, header = {}, None
    for line in open(path):
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if cells and cells[0] == "net":
            header = cells
        elif header and len(cells) == len(header) and cells[1] in ("P", "T"):
            out[(cells[0], cells[1])] = {name: cells[k] for k, name in enumerate(header)}
    return out


def seconds(cell):
    try:
        return float(cell)
    except (TypeError, ValueError):
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
names = COLUMNS[:6] + (("vantira alone s",) if alone else ()) + COLUMNS[6:]
print("| " + " | ".join(names) + " |")
print("|---|---|" + "---:|" * (len(names) - 3) + "---|")
finished = dict.fromkeys(("vantira",) + PEERS, 0)
ratios = {p: [] for p in PEERS}
net_ratios = {p: [] for p in PEERS}
long_ratios = {p: [] for p in PEERS}
for key, c in merged.items():
    c = dict(c)
    c["vantira alone s"] = alone[key]["vantira s"] if key in alone else "-"
    print("| " + " | ".join(c.get(n, "-") for n in names) + " |")
    ours = seconds(c["vantira s"])
    # Finished in either run: beside the peers (writing its semiflows) or alone.
    finished["vantira"] += ours is not None or seconds(c["vantira alone s"]) is not None
    for name in PEERS:
        theirs = seconds(c.get(name + " s"))
        finished[name] += theirs is not None
        if theirs is not None and ours is not None:
            ratios[name].append(theirs / max(ours, 1e-4))
            net_ratios[name].append(max(theirs - floor, 1e-4) / max(ours - floor, 1e-4))
            if theirs >= 0.1:
                long_ratios[name].append(theirs / max(ours, 1e-4))
print()
present = {"vantira"} | {p for p in PEERS if any(p + " s" in c for c in merged.values())}
print(f"systems: {len(merged)}; finished within the caps: " +
      ", ".join(f"{k} {v}" for k, v in finished.items() if k in present))
for name, r in ratios.items():
    if not r:
        continue
    print(f"{name}: over the {len(r)} systems both finished, its time / vantira's: median {statistics.median(r):.1f}, "
          f"least {min(r):.2f} (vantira slower than {name} by more than 1.5x on {sum(x < 1 / 1.5 for x in r)})")
    if long_ratios[name]:
        lr = long_ratios[name]
        print(f"{name}, over the {len(lr)} of them where it took 0.1 s or more: median {statistics.median(lr):.1f}")
    if floor:
        n = net_ratios[name]
        print(f"{name}, times less the floor of {floor:.4f} s: median {statistics.median(n):.1f}, least {min(n):.2f}")
