#!/usr/bin/env python3
"""Checks that `vantira -j` says what the text report says (the section
on the end-to-end checks in docs/DEVELOPING.md tells what is compared, and how
ctest runs it).

Names are bytes; the JSON holds well-formed UTF-8 as it is and every other
byte as the character of the same value, so the text report is decoded so
(strict UTF-8, each byte of an invalid sequence as its Latin-1 character).

Usage: json_matches_text.py VANTIRA [--gen VANTIRA_GEN] [--gen-size N]
                            [--max-bytes N] PATH...
--max-bytes skips larger files (0, the default: none is skipped).
"""
import argparse
import codecs
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from report_checks import expect, nets_in, run, summary, tally, write_odd_nets

codecs.register_error("bytes_as_latin1", lambda e: ("".join(map(chr, e.object[e.start:e.end])), e.end))

# The keys and their order are the json-* end-to-end cases'; here, the values.
SUBNET_KEYS = ["id", "transitions", "input", "internal", "output"]
SUBNETS_HEADING = b"FUNCTIONAL SUBNETS " + b"-" * 40
INDICATORS_HEADING = b"INDICATORS OF FUNCTIONAL SUBNETS " + b"-" * 40
GRAPH_HEADING = b"GRAPH OF FUNCTIONAL SUBNETS " + b"-" * 48
JQ = shutil.which("jq")


def decode(data):
    return data.decode("utf-8", "bytes_as_latin1")


def parse_text(report):
    """The text report of `-v -g`: head, subnet lines and graph lines, as bytes."""
    lines = report.split(b"\n")
    expect(lines[:2] == [b"", b""] and lines[2].startswith(b"parsed net "), "head")
    counts = re.fullmatch(rb"(\d+) places, (\d+) transitions,", lines[3])
    expect(counts is not None, "size line")
    expect(lines[4] == b"" and lines[5] == b"net " + lines[2][len(b"parsed net "):], "net line")
    at = lines.index(SUBNETS_HEADING, 6)
    net = lines[6 : at - 1]
    expect(lines[at - 1] == b"" and all(line.startswith(b"tr ") for line in net), "net listing")
    subnets = []
    at += 1
    while lines[at] == b"" and lines[at + 1].startswith(b"subnet Z"):
        expect(lines[at + 1] == b"subnet Z%d:" % (len(subnets) + 1), f"subnet line {lines[at + 1]!r}")
        block = lines[at + 2 : at + 6]
        for line, label in zip(block, (b"T: ", b"X: ", b"Q: ", b"Y: ")):
            expect(line.startswith(label), f"{label!r} line of Z{len(subnets) + 1}")
        subnets.append(block)
        at += 6
    expect(lines[at : at + 2] == [b"", INDICATORS_HEADING], "indicators heading")
    at = lines.index(GRAPH_HEADING, at)
    graph = lines[at + 2 : at + 2 + len(subnets)]
    expect(lines[at + 2 + len(subnets) : at + 4 + len(subnets)] == [b"", b"DECOMPOSITION COMPLETED " + b"-" * 40],
           "graph section")
    return {"net": lines[2][len(b"parsed net "):], "places": int(counts[1]), "transitions": int(counts[2]),
            "net_listing": net, "subnets": subnets, "graph": graph}


def listed(label, names):
    return label + "".join(name + " " for name in names)


def compare(document, text):
    # "format" is the json-* cases' and recognition the formats tests'.
    expect(document["net"] == decode(text["net"]), "net name")
    expect(document["places"] == text["places"], "places")
    expect(document["transitions"] == text["transitions"], "transitions")
    arcs = document["arcs"]
    expect(len(arcs) == len(text["net_listing"]), f"{len(arcs)} arcs entries, the text lists {len(text['net_listing'])}")
    for entry, line in zip(arcs, text["net_listing"]):
        written = ("tr " + entry["transition"] + "".join(" " + p for p in entry["input"]) + " ->"
                   + "".join(" " + p + " " for p in entry["output"]))
        expect(written == decode(line), f"arcs of {entry['transition']!r}: {written!r}, the text has {line!r}")
    subnets = document["subnets"]
    expect(len(subnets) == len(text["subnets"]), f"{len(subnets)} subnets, the text has {len(text['subnets'])}")
    for k, (subnet, lines) in enumerate(zip(subnets, text["subnets"]), start=1):
        expect(subnet["id"] == k, f"id {subnet['id']} in place {k}")
        for key, label, line in zip(SUBNET_KEYS[1:], ("T: ", "X: ", "Q: ", "Y: "), lines):
            expect(listed(label, subnet[key]) == decode(line), f"Z{k} {key}")

    # The places on no list are the isolated ones.
    places = {p for subnet in subnets for key in SUBNET_KEYS[2:] for p in subnet[key]}
    isolated = document["isolated_places"]
    expect(len(isolated) == len(set(isolated)) and not places.intersection(isolated), "isolated places")
    expect(len(places) + len(isolated) == document["places"], "places with arcs and isolated places")

    # The graph: pairs in order, each with the output places of `from` that
    # are input places of `to`, in place order; and the text's graph lines.
    graph = document["graph"]
    pairs = [(entry["from"], entry["to"]) for entry in graph]
    # What the places say: each output place that is an input place of
    # another subnet joins the two, in the order of the output list.
    input_of = {p: subnet["id"] for subnet in subnets for p in subnet["input"]}
    joins = {}
    for subnet in subnets:
        for p in subnet["output"]:
            if p in input_of:
                joins.setdefault((subnet["id"], input_of[p]), []).append(p)
    expect(pairs == sorted(joins), "pairs of the graph, in order")
    for entry in graph:
        expect(entry["places"] == joins[entry["from"], entry["to"]], f"places from Z{entry['from']} to Z{entry['to']}")
    preds, succs = {}, {}
    for (a, b), joined in sorted(joins.items()):  # in order of `from`, so each preds list comes sorted
        preds.setdefault(b, []).append((a, len(joined)))
        succs.setdefault(a, []).append((b, len(joined)))

    def side(entries):
        return "".join(" Z%d" % j + ("*%d" % c if c > 1 else "") for j, c in entries)

    for k, line in enumerate(text["graph"], start=1):
        written = "Z%d:" % k + side(preds.get(k, [])) + " ->" + side(succs.get(k, []))
        expect(written == decode(line), f"graph line of Z{k}")


def check_net(vantira, path, cwd, subnets=None):
    """Returns 'compared' or 'failure compared'; raises Mismatch."""
    text_run = run([vantira, "-v", "-g", path], cwd=cwd)
    json_run = run([vantira, "-j", path], cwd=cwd)
    if text_run.returncode != 0:
        # The same failure; with -j its message goes to standard error, before its reason.
        message = text_run.stdout.splitlines(keepends=True)[-1]
        expect(json_run.returncode == text_run.returncode and b"*** " not in json_run.stdout and
               json_run.stderr.replace(message, b"", 1) == text_run.stderr,
               f"the text run failed with {text_run.stdout[-200:]!r}, status {text_run.returncode}; "
               f"-j gave {json_run.stderr[-200:]!r}, status {json_run.returncode}")
        return "failure compared"
    expect(json_run.returncode == 0, f"-j status {json_run.returncode}: {json_run.stdout[-200:]!r}")
    expect(json_run.stderr == text_run.stderr, "standard error")  # a hint, if any, alike
    document = json.loads(json_run.stdout.decode("utf-8"))
    if JQ:  # a second parser, where there is one
        expect(run([JQ, "empty"], json_run.stdout).returncode == 0, "jq")
    compare(document, parse_text(text_run.stdout))
    digest_run = run([vantira, "-j", "-q", path], cwd=cwd)
    expect(digest_run.returncode == 0, f"-j -q status {digest_run.returncode}")
    digest = json.loads(digest_run.stdout.decode("utf-8"))
    expect(digest == {key: value for key, value in document.items() if key != "arcs"}, "-j -q is -j without the arcs")
    if subnets is not None:
        expect(len(document["subnets"]) == subnets, f"{len(document['subnets'])} subnets, the generator says {subnets}")
    return "compared"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vantira")
    parser.add_argument("paths", nargs="*")
    parser.add_argument("--gen")
    parser.add_argument("--gen-size", type=int, default=2000)
    parser.add_argument("--max-bytes", type=int, default=0)
    options = parser.parse_intermixed_args()
    vantira = os.path.abspath(options.vantira)
    counts = {"compared": 0, "failure compared": 0, "left out (size)": 0}
    failed = []
    with tempfile.TemporaryDirectory() as scratch:
        nets = [(path, None) for path in write_odd_nets(scratch) + nets_in(options.paths)]
        if options.gen:
            for shape in ("random", "wide", "deep", "mix"):
                base = os.path.join(scratch, f"{shape}-{options.gen_size}")
                info = subprocess.run([options.gen, "--seed", "1", shape, str(options.gen_size), base],
                                      capture_output=True, check=True).stdout.decode()
                subnets = int(re.search(r"subnets=(\d+)", info)[1])
                nets += [(base + ".net", subnets), (base + ".ndr", subnets)]
        for path, subnets in nets:
            if options.max_bytes and os.path.getsize(path) > options.max_bytes:
                counts["left out (size)"] += 1
                continue
            outcome = tally(counts, failed, path, check_net, vantira, os.path.abspath(path), scratch, subnets)
            if outcome == "failure compared":
                print(f"{outcome}: {os.path.basename(path)}")
    return summary(counts, failed, "compared")


if __name__ == "__main__":
    sys.exit(main())
