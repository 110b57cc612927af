#!/usr/bin/python3
"""Plots vantira's time against net size from the rows bench/run.sh wrote.

usage: bench/plot.py [RESULTS_TSV] [OUT_PNG]
       (defaults: bench/.cache/results.tsv, docs/performance.png)

One panel per input format; per shape the median wall time of `-q -g`
(solid) and of `wc -l` on the same files (dotted), the floor that only
reading the bytes costs. Needs matplotlib (Debian: python3-matplotlib).
"""

import csv
import sys
from collections import defaultdict
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
COLORS = {"random": "tab:blue", "wide": "tab:orange", "deep": "tab:green", "mix": "tab:red", "links": "tab:purple"}


def main() -> None:
    source = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "bench/.cache/results.tsv"
    target = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "docs/performance.png"

    # (format, shape) -> [(transitions, wall, wc_wall)]
    series = defaultdict(list)
    with open(source, newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            if row["mode"] != "-q -g":
                continue
            series[(row["format"], row["shape"])].append(
                (int(row["transitions"]), float(row["wall"]), float(row["wc_wall"]))
            )

    formats = sorted({fmt for fmt, _ in series}, key=lambda f: f != "net")
    fig, axes = plt.subplots(1, len(formats), figsize=(6 * len(formats), 4.8), squeeze=False, sharey=True)
    for ax, fmt in zip(axes[0], formats):
        for (f, shape), points in sorted(series.items()):
            if f != fmt:
                continue
            points.sort()
            sizes = [p[0] for p in points]
            color = COLORS.get(shape, "black")
            # Timer resolution is 1 ms; keep zero readings on a log axis.
            ax.plot(sizes, [max(p[1], 1e-3) for p in points], "o-", color=color, label=f"vantira -q -g, {shape}")
            ax.plot(sizes, [max(p[2], 1e-3) for p in points], "x:", color=color, label=f"wc -l, {shape}")
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_title(f".{fmt} input")
        ax.set_xlabel("transitions")
        ax.grid(True, which="both", alpha=0.3)
    axes[0][0].set_ylabel("wall seconds (median)")
    axes[0][-1].legend(fontsize=7, loc="upper left")
    fig.suptitle("vantira time against net size, next to wc -l on the same files")
    fig.tight_layout()
    fig.savefig(target, dpi=110)
    print(f"wrote {target}")


if __name__ == "__main__":
    main()
