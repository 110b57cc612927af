#!/usr/bin/env python3
"""Checks, on every net given, that the arcs the semiflows take are the arcs
the subnets are made of: the same place, transition and direction, none
more, and none fewer but the arcs that only look at a marking. Those are
found here by a reading of their own: PNML arcs whose kind (an attribute
`type` or a `type` child) is inhibitor, read or test; `.ndr` edges whose
weight field begins with `?` or `!`; `.net` entries with `?` or `!` glued
to them, read in the wider grammar. PNML weights are checked too.

Arcs of those kinds taken for the semiflows are faults too (PNML, .ndr).

Usage: arcs_agree.py VANTIRA VANTIRA_NETSYSTEMS [--max-bytes N] PATH...
The subnets' arcs come from `vantira -j` ("arcs"), the semiflows' from
`vantira-netsystems --arcs`, which reads the net as `vantira -p` does. Nets
that vantira refuses, or refuses for the semiflows, are counted apart; .net
files are read in both grammars.
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from report_checks import nets_in, read_pnml

LOOKS = ("inhibitor", "read", "test")


def pnml_arcs(path):
    """{(place, transition, output): (weight, kind)} of the first arc of each."""
    found = {}
    for place, transition, output, weight, kind in read_pnml(path)[2]:
        found.setdefault((place, transition, output), (weight, kind))
    return found


def glyph_lines(path, keyword):
    """The lines of a line-format file that hold an arc kind glued to a name or field."""
    text = open(path, "rb").read().decode("utf-8", "surrogateescape")
    return [line for line in text.splitlines() if line.split()[:1] == [keyword] and re.search(r"[?!][-\d]", line)]


def ndr_edges(path):
    """The (source, target) of the edges in plain names whose weight field is an arc kind, and of the others."""
    looks, moves = set(), set()
    text = open(path, "rb").read().decode("utf-8", "surrogateescape")
    for line in text.splitlines():
        words = line.split()
        if words[:1] == ["e"] and len(words) >= 3 and "{" not in line:
            (looks if any(w[:1] in "?!" for w in words[3:]) else moves).add((words[1], words[2]))
    return looks, moves


def subnet_arcs(report):
    arcs = set()
    for entry in report["arcs"]:
        for place in entry["input"]:
            arcs.add((place, entry["transition"], False))
        for place in entry["output"]:
            arcs.add((place, entry["transition"], True))
    return arcs


def check(vantira, netsystems, path, wide, scratch):
    """'' when the two readings agree, 'refused' when either is refused, else what differs."""
    run = subprocess.run([vantira, "-j"] + (["-e"] if wide else []) + [path], capture_output=True, timeout=300)
    if run.returncode != 0:
        return "refused"
    report = json.loads(run.stdout.decode("utf-8", "surrogateescape"))
    listed = os.path.join(scratch, "arcs")
    run = subprocess.run([netsystems, "--dense-max", "0", "--arcs", listed] + (["--wide"] if wide else []) +
                         [path, os.path.join(scratch, "system")], capture_output=True, timeout=300)
    if run.returncode != 0:
        return "refused"
    taken = {}
    for line in open(listed, "rb").read().decode("utf-8", "surrogateescape").splitlines():
        place, transition, side, weight = line.split("\t")
        taken.setdefault((place, transition, side == "out"), int(weight))
    subnets = subnet_arcs(report)
    problems = [f"taken for the semiflows but no arc of the subnets: {arc}" for arc in taken if arc not in subnets]
    left_out = subnets - set(taken)
    if path.endswith(".pnml"):
        try:
            written = pnml_arcs(path)
        except ET.ParseError:
            return "refused"  # entities this reading does not expand
        for arc in left_out:
            if written.get(arc, (1, ""))[1] not in LOOKS:
                problems.append(f"left out of the semiflows but not an arc that only looks: {arc}")
        for arc, weight in taken.items():
            if arc in written and written[arc][1] in LOOKS:
                problems.append(f"an arc that only looks, taken for the semiflows: {arc}")
            elif arc in written and written[arc][0] != weight:
                problems.append(f"weight {weight}, written {written[arc][0]}: {arc}")
    elif path.endswith(".ndr"):
        looks, moves = ndr_edges(path)
        for place, transition, output in taken:
            ends = (transition, place) if output else (place, transition)
            if ends in looks and ends not in moves:
                problems.append(f"an edge that only looks, taken for the semiflows: {(place, transition, output)}")
    if left_out and not path.endswith(".pnml"):
        lines = glyph_lines(path, "e" if path.endswith(".ndr") else "tr") + (
            glyph_lines(path, "pl") if path.endswith(".net") else [])
        for place, transition, output in left_out:
            if not any(place in line and transition in line for line in lines):
                problems.append(f"left out of the semiflows, no arc kind written on it: {(place, transition, output)}")
    return "\n".join(f"{path}{' (-e)' if wide else ''}: {p}" for p in problems[:5])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vantira")
    parser.add_argument("netsystems")
    parser.add_argument("--max-bytes", type=int, default=0)
    parser.add_argument("paths", nargs="*")
    args = parser.parse_intermixed_args()
    agreed, refused, failures = 0, 0, []
    with tempfile.TemporaryDirectory() as scratch:
        for path in nets_in(args.paths):
            if args.max_bytes and os.path.getsize(path) > args.max_bytes:
                continue
            for wide in ([False, True] if path.endswith(".net") else [False]):
                outcome = check(args.vantira, args.netsystems, path, wide, scratch)
                if outcome == "refused":
                    refused += 1
                elif outcome:
                    failures.append(outcome)
                else:
                    agreed += 1
    for failure in failures:
        print(failure)
    print(f"arcs_agree: {agreed} readings agree, {len(failures)} differ, {refused} refused")
    return 1 if failures or agreed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
