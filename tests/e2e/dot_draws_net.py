#!/usr/bin/env python3
"""Checks what vantira-dot draws, read back with Graphviz's own tools (the
section on the end-to-end checks in docs/DEVELOPING.md tells what is
checked). Also: --net on a text report and on a digest. The reports that are
none are case folders of dot-cases/.

Usage: dot_draws_net.py VANTIRA VANTIRA_DOT [--max-transitions N] PATH...
"""
import argparse
import json
import os
import sys
import tempfile

from report_checks import expect, nets_in, read_back, run, summary, tally, write_odd_nets

NO_NET = (b"*** no net in the report: write it with vantira -j\n"
          b"vantira-dot: --net needs the \"arcs\" of a full JSON report (not -q, not the text report)\n")

def label_in_dot(name):
    """A name's label as gvpr gives it back: '"' unescaped, '\\' and the
    \\xHH of a control character still doubled, as DOT labels keep them."""
    out = []
    for c in name:
        if c == "\\":
            out.append("\\\\")
        elif ord(c) < 0x20 or 0x7F <= ord(c) <= 0x9F:
            out.append("\\\\x%02x" % ord(c))
        else:
            out.append(c)
    return "".join(out)


def check_drawing(document, dot_text):
    clusters, members, nodes, edges = read_back(dot_text)
    subnets = document["subnets"]
    # gvpr gives the subgraphs in the order of their names
    expect(sorted(clusters) == sorted(("cluster_Z%d" % k, "Z%d" % k) for k in range(1, len(subnets) + 1)),
           f"{len(clusters)} clusters for {len(subnets)} subnets: {clusters[:5]}")
    label = {node: text for node, (_, text) in nodes.items()}
    placed = set()
    for k, subnet in enumerate(subnets, start=1):
        inside = members.get("cluster_Z%d" % k, [])
        boxes = sorted(label[n] for n in inside if nodes[n][0] == "box")
        circles = sorted(label[n] for n in inside if nodes[n][0] == "circle")
        expect(len(boxes) + len(circles) == len(inside), f"Z{k}: a node neither box nor circle")
        expect(boxes == sorted(map(label_in_dot, subnet["transitions"])), f"Z{k}: transitions {boxes[:5]}")
        expect(circles == sorted(map(label_in_dot, subnet["internal"])), f"Z{k}: internal places {circles[:5]}")
        placed.update(inside)
    outside = sorted(label[n] for n in nodes if n not in placed)
    expect(all(nodes[n][0] == "circle" for n in nodes if n not in placed), "a box outside the clusters")
    expected = [p for s in subnets for key in ("input", "output") for p in s[key] if p not in
                {q for t in subnets for q in t["internal"]}]
    expected = sorted(set(map(label_in_dot, expected)) | set(map(label_in_dot, document["isolated_places"])))
    expect(outside == expected, f"places outside: {outside[:5]}, expected {expected[:5]}")
    expect(len(nodes) == document["places"] + document["transitions"], f"{len(nodes)} nodes")
    drawn = sorted((label[a], label[b]) for a, b in edges)
    arcs = sorted([(label_in_dot(p), label_in_dot(a["transition"])) for a in document["arcs"] for p in a["input"]] +
                  [(label_in_dot(a["transition"]), label_in_dot(p)) for a in document["arcs"] for p in a["output"]])
    expect(drawn == arcs, f"{len(drawn)} edges for {len(arcs)} arcs")


def check_net(vantira, dot_tool, path, max_transitions):
    """Returns what was checked; raises Mismatch."""
    json_run = run([vantira, "-j", path])
    if json_run.returncode != 0:
        # With -j the failure is told on standard error and standard output
        # stays empty; a report that holds only the message, as the text
        # report's standard output does, is relayed.
        told = [line + b"\n" for line in json_run.stderr.split(b"\n") if line.startswith(b"*** ")]
        expect(json_run.stdout == b"" and len(told) == 1,
               f"-j failed with standard output {json_run.stdout[:200]!r}, standard error {json_run.stderr[:200]!r}")
        message = told[0]
        for args in ([dot_tool], [dot_tool, "--net"]):
            relayed = run(args, message)
            expect((relayed.returncode, relayed.stdout, relayed.stderr) == (2, b"", message),
                   f"{args[1:]} relays {relayed.stderr!r}, status {relayed.returncode}, for {message!r}")
        return "failure relayed"
    text_run = run([vantira, "-g", path])
    graphs = [run([dot_tool], report) for report in (text_run.stdout, json_run.stdout)]
    expect(all(g.returncode == 0 and not g.stderr for g in graphs), f"graph of subnets: {graphs[1].stderr!r}")
    expect(graphs[0].stdout == graphs[1].stdout, "the graphs of subnets of the text and the JSON report differ")
    for report in (text_run.stdout, run([vantira, "-j", "-q", path]).stdout):
        refused = run([dot_tool, "--net"], report)
        expect((refused.returncode, refused.stdout, refused.stderr) == (2, b"", NO_NET), "--net without arcs")
    document = json.loads(json_run.stdout)
    if document["transitions"] > max_transitions:
        return "graph compared"
    drawing = run([dot_tool, "--net"], json_run.stdout)
    expect(drawing.returncode == 0 and not drawing.stderr, f"--net: {drawing.stderr!r}")
    check_drawing(document, drawing.stdout)
    laid_out = run(["dot", "-Tsvg"], drawing.stdout)
    expect(laid_out.returncode == 0 and b"<svg" in laid_out.stdout, f"dot -Tsvg: {laid_out.stderr[-300:]!r}")
    return "drawn"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vantira")
    parser.add_argument("dot_tool")
    parser.add_argument("paths", nargs="*")
    parser.add_argument("--max-transitions", type=int, default=2000)
    options = parser.parse_intermixed_args()
    nets = nets_in(options.paths)
    counts = {"drawn": 0, "graph compared": 0, "failure relayed": 0}
    failed = []
    with tempfile.TemporaryDirectory() as scratch:
        nets.append(os.path.join(scratch, "nosuch.net"))  # vantira's own failure, relayed
        # Names DOT must be told with care. The net's name is UTF-8: in the
        # text report a byte that is not stays raw, the JSON report has its character.
        nets += write_odd_nets(scratch, b'{odd "names" \xc3\xa9}')
        for path in nets:
            tally(counts, failed, path, check_net, options.vantira, options.dot_tool, path, options.max_transitions)
    return summary(counts, failed, "drawn")


if __name__ == "__main__":
    sys.exit(main())
