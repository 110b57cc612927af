#!/usr/bin/env python3
"""Checks that `vantira -j` says what the text report says.

For every net given (files, or folders of *.net, *.ndr and *.pnml files), runs
`vantira -v -g NET` and `vantira -j NET` and checks that the JSON parses
(strictly: no raw control characters, valid UTF-8) and holds exactly the
text report's net name, numbers of places and transitions, net listing
(the arcs of every transition), subnets with their T, X, Q and Y lists in
the same order, and graph of subnets; that `vantira -j -q NET` writes the
same document without the arcs; that its
graph joins each pair of subnets by the output places of one that are input
places of the other; and that its isolated places are the places on no
list; where jq is installed, jq must read the JSON too. A net whose text
run fails must fail alike with -j: the same message and status. Also checks
nets with odd names written here, and with --gen, nets of every shape of the
benchmark's generator, whose own count of subnets the JSON must match.

Names are bytes; the JSON holds well-formed UTF-8 as it is and every other
byte as the character of the same value. The text report is decoded the same
way (Python's strict UTF-8 decoder, each byte of an invalid sequence mapped
to its Latin-1 character) before the two are compared.

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

codecs.register_error("bytes_as_latin1", lambda e: ("".join(map(chr, e.object[e.start:e.end])), e.end))

KEYS = ["net", "format", "places", "transitions", "arcs", "subnets", "graph", "isolated_places"]
DIGEST_KEYS = [key for key in KEYS if key != "arcs"]
ARC_KEYS = ["transition", "input", "output"]
SUBNET_KEYS = ["id", "transitions", "input", "internal", "output"]
GRAPH_KEYS = ["from", "to", "places"]
SUBNETS_HEADING = b"FUNCTIONAL SUBNETS " + b"-" * 40
INDICATORS_HEADING = b"INDICATORS OF FUNCTIONAL SUBNETS " + b"-" * 40
GRAPH_HEADING = b"GRAPH OF FUNCTIONAL SUBNETS " + b"-" * 48
JQ = shutil.which("jq")


class Mismatch(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Mismatch(what)


def decode(data):
    return data.decode("utf-8", "bytes_as_latin1")


def format_of(data):
    """The format the first significant line gives."""
    for line in data.split(b"\n"):
        if line.startswith(b"#") or not line.strip(b" \t\r\n"):
            continue
        rest = line.lstrip(b" \t\r\n")
        if rest.removeprefix(b"\xef\xbb\xbf").lstrip(b" \t\r\n").startswith(b"<"):
            return "pnml"
        return "ndr" if rest[:1] in (b"p", b"t", b"h") and rest[1:2] == b" " else "net"
    return "net"


def ordered_object(pairs):
    keys = [key for key, _ in pairs]
    expect(len(keys) == len(set(keys)), f"repeated key in {keys}")
    return dict(pairs), keys


def check_shape(document, keys_expected=KEYS):
    """Keys in their order; returns the plain document (the comparisons with
    the text report check the values, and so their types)."""
    top, keys = document
    expect(keys == keys_expected, f"keys {keys}")
    lists = [("subnets", SUBNET_KEYS), ("graph", GRAPH_KEYS)] + ([("arcs", ARC_KEYS)] if "arcs" in keys else [])
    for name, item_keys in lists:
        expect(all(keys == item_keys for _, keys in top[name]), f"{name} keys")
    return dict(top, **{name: [item for item, _ in top[name]] for name, _ in lists})


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


def compare(document, text, data):
    expect(document["net"] == decode(text["net"]), "net name")
    expect(document["format"] == format_of(data), "format")
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
    expect(pairs == sorted(set(pairs)), "graph order")
    # What the places say: each output place that is an input place of
    # another subnet joins the two, in the order of the output list.
    input_of = {p: subnet["id"] for subnet in subnets for p in subnet["input"]}
    joins = {}
    for subnet in subnets:
        for p in subnet["output"]:
            if p in input_of:
                joins.setdefault((subnet["id"], input_of[p]), []).append(p)
    expect(pairs == sorted(joins), "pairs of the graph")
    for entry in graph:
        expect(entry["places"] == joins[entry["from"], entry["to"]], f"places from Z{entry['from']} to Z{entry['to']}")
    preds = {k: [] for k in range(1, len(subnets) + 1)}
    succs = {k: [] for k in range(1, len(subnets) + 1)}
    for entry in graph:  # in order of `from`, so each preds list comes sorted
        preds[entry["to"]].append((entry["from"], len(entry["places"])))
        succs[entry["from"]].append((entry["to"], len(entry["places"])))

    def side(entries):
        return "".join(" Z%d" % j + ("*%d" % c if c > 1 else "") for j, c in entries)

    for k, line in enumerate(text["graph"], start=1):
        expect("Z%d:" % k + side(preds[k]) + " ->" + side(succs[k]) == decode(line), f"graph line of Z{k}")


def run(vantira, args, cwd):
    return subprocess.run([vantira] + args, cwd=cwd, capture_output=True, timeout=600)


def check_net(vantira, path, cwd, subnets=None):
    """Returns 'compared', 'failure compared', or raises Mismatch."""
    with open(path, "rb") as f:
        data = f.read()
    text_run = run(vantira, ["-v", "-g", path], cwd)
    json_run = run(vantira, ["-j", path], cwd)
    if text_run.returncode != 0:
        expect((json_run.returncode, json_run.stdout) == (text_run.returncode, text_run.stdout),
               f"the text run failed with {text_run.stdout[-200:]!r}, status {text_run.returncode}; "
               f"-j gave {json_run.stdout[-200:]!r}, status {json_run.returncode}")
        return "failure compared"
    expect(json_run.returncode == 0, f"-j status {json_run.returncode}: {json_run.stdout[-200:]!r}")
    expect(json_run.stderr == text_run.stderr, "standard error")  # a hint, if any, alike
    document = check_shape(json.loads(json_run.stdout.decode("utf-8"), object_pairs_hook=ordered_object))
    if JQ:  # a second parser, where there is one
        expect(subprocess.run([JQ, "empty"], input=json_run.stdout, capture_output=True).returncode == 0, "jq")
    compare(document, parse_text(text_run.stdout), data)
    digest_run = run(vantira, ["-j", "-q", path], cwd)
    expect(digest_run.returncode == 0, f"-j -q status {digest_run.returncode}")
    digest = check_shape(json.loads(digest_run.stdout.decode("utf-8"), object_pairs_hook=ordered_object), DIGEST_KEYS)
    expect(digest == {key: value for key, value in document.items() if key != "arcs"}, "-j -q is -j without the arcs")
    if subnets is not None:
        expect(len(document["subnets"]) == subnets, f"{len(document['subnets'])} subnets, the generator says {subnets}")
    return "compared"


ODD_NAMES = [
    b'q"uote', b"back\\slash", b"ctl\x01\x02\x0b\x0c\x1f\x7f", b"{tab\tand blank}",
    b"caf\xc3\xa9", b"\xe2\x82\xac", b"\xf0\x9f\x98\x80", b"\xdf\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf",
    b"lone\x80", b"trunc\xe2\x82", b"trunc4\xf0\x9f\x98", b"over\xc0\xaf", b"over3\xe0\x80\xaf",
    b"sur\xed\xa0\x80", b"sur2\xed\xbf\xbf", b"big\xf4\x90\x80\x80", b"\xf5\x80\x80\x80", b"\xff\xfe",
    b"{br\\}ace}", b"long_name_with_a_tail\xe2\x82\xac\xc3" + b"x" * 30,
]


def write_odd_nets(folder):
    """The same net of odd names as a description and as a drawing."""
    places = [b"p" + name if not name.startswith(b"{") else name[:1] + b"p" + name[1:] for name in ODD_NAMES]
    transitions = [b"t" + name if not name.startswith(b"{") else name[:1] + b"t" + name[1:] for name in ODD_NAMES]
    lonely = b"lonely\xc3"
    net = [b"net {odd \"names\" \xc3\xa9\xff}"]
    drawing = []
    for i, t in enumerate(transitions):
        into, out = places[i], places[(i * 7 + 3) % len(places)]
        net.append(b"tr " + t + b" " + into + b" -> " + out)
        drawing.append(b"t 0 0 " + t + b" 0 w n")
    net.append(b"pl " + lonely)
    for p in places + [lonely]:
        drawing.insert(0, b"p 0 0 " + p + b" 0 n")
    for i, t in enumerate(transitions):
        drawing.append(b"e " + places[i] + b" " + t + b" 1 n")
        drawing.append(b"e " + t + b" " + places[(i * 7 + 3) % len(places)] + b" 1 n")
    drawing.append(b"h {odd \"names\" \xc3\xa9\xff}")
    paths = []
    for name, lines in (("odd-names.net", net), ("odd-names.ndr", drawing)):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(b"\n".join(lines) + b"\n")
        paths.append(path)
    return paths


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
        nets = [(path, None) for path in write_odd_nets(scratch)]
        for path in options.paths:
            if os.path.isdir(path):
                nets += [(os.path.join(path, name), None) for name in sorted(os.listdir(path))
                         if name.endswith((".net", ".ndr", ".pnml"))]
            elif os.path.isfile(path):
                nets.append((path, None))
            else:
                print(f"not there, left out: {path}")
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
            try:
                outcome = check_net(vantira, os.path.abspath(path), scratch, subnets)
                counts[outcome] += 1
                if outcome != "compared":
                    print(f"{outcome}: {os.path.basename(path)}")
            except (Mismatch, ValueError, KeyError, IndexError, TypeError) as problem:
                failed.append(path)
                print(f"FAIL {os.path.basename(path)}: {type(problem).__name__}: {problem}")
    print(", ".join(f"{n} {what}" for what, n in counts.items()) + f", {len(failed)} failed")
    return 1 if failed or not counts["compared"] else 0


if __name__ == "__main__":
    sys.exit(main())
