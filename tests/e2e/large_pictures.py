#!/usr/bin/env python3
"""The pictures of large nets: vantira-dot --subnet and --top on a generated
net of several hundred subnets and on afcs_48_a of the corpus, the labels of
a PNML model of the corpus, and an SVG with tooltips opened in headless
Chromium. What is not there (the corpus, a browser) is left out with one
line that says so.

Usage: large_pictures.py VANTIRA VANTIRA_DOT VANTIRA_GEN CORPUS
"""
import json
import os
import re
import shutil
import struct
import sys
import tempfile
import zlib

from report_checks import Mismatch, expect, read_back, run

def nodes(dot_text):
    return len(read_back(dot_text)[2])


def expected_part(document, k, depth):
    """Nodes of --subnet k --depth D, counted from the report: the subnet's
    transitions and places, a box per subnet within D steps, and the note."""
    subnets = document["subnets"]
    neighbours = {i: set() for i in range(1, len(subnets) + 1)}
    for link in document["graph"]:
        neighbours[link["from"]].add(link["to"])
        neighbours[link["to"]].add(link["from"])
    steps, frontier = {k: 0}, [k]
    for step in range(1, depth + 1):
        frontier = [m for n in frontier for m in neighbours[n] if m not in steps]
        steps.update((m, step) for m in frontier)
    own = subnets[k - 1]
    places = set(own["input"]) | set(own["internal"]) | set(own["output"])
    farther = len(subnets) - len(steps)
    left_out = (f"left out: {farther} subnet{'s' * (farther != 1)} more than {depth} step{'s' * (depth != 1)} away"
                if farther else None)
    note = farther or document["transitions"] > len(own["transitions"]) or document["places"] > len(places)
    return len(own["transitions"]) + len(places) + len(steps) - 1 + bool(note), left_out


def check_large(vantira, dot_tool, net, name, lay_out_part):
    """--subnet 1 --depth 1, --top 30, and a missing subnet, on one net."""
    report = run([vantira, "-j", net])
    expect(report.returncode == 0, f"{name}: vantira -j: {report.stdout[:200]!r}")
    document = json.loads(report.stdout)
    count = len(document["subnets"])
    part = run([dot_tool, "--subnet", "1", "--depth", "1"], report.stdout)
    expect(part.returncode == 0 and not part.stderr, f"{name}: --subnet 1: {part.stderr!r}")
    wanted, left_out = expected_part(document, 1, 1)
    drawn = nodes(part.stdout)
    expect(drawn == wanted, f"{name}: --subnet 1 --depth 1 draws {drawn} nodes, the report makes {wanted}")
    expect(left_out is None or left_out.encode() in part.stdout, f"{name}: no note '{left_out}'")
    if lay_out_part:
        expect(run(["dot", "-Tsvg"], part.stdout).returncode == 0, f"{name}: dot -Tsvg of --subnet 1")

    top = run([dot_tool, "--top", "30"], report.stdout)
    expect(top.returncode == 0 and not top.stderr, f"{name}: --top 30: {top.stderr!r}")
    drawn_top = nodes(top.stdout)
    expect(min(30, count) <= drawn_top <= 61, f"{name}: --top 30 draws {drawn_top} nodes")
    # The folds hold every other subnet and its transitions.
    folded = [(int(a), int(b)) for a, b in re.findall(rb'\[label="(\d+) small subnets?, (\d+) transitions?', top.stdout)]
    large = [int(t) for t in re.findall(rb'\[label="Z\d+\\n(\d+) transitions?"', top.stdout)]
    expect(len(large) == min(30, count) and sum(a for a, _ in folded) == count - len(large), f"{name}: folds {folded}")
    expect(sum(large) + sum(b for _, b in folded) == document["transitions"], f"{name}: transitions of the folds")
    expect(run(["dot", "-Tsvg"], top.stdout).returncode == 0, f"{name}: dot -Tsvg of --top 30")
    text_report = run([vantira, "-q", "-g", net]).stdout
    expect(run([dot_tool, "--top", "30"], text_report).stdout == top.stdout, f"{name}: --top 30 of the text report")

    missing = run([dot_tool, "--subnet", f"1,{count + 1}"], report.stdout)
    refusal = (f"*** no subnet Z{count + 1} in the report\n"
               f"vantira-dot: the report has {count} subnets, Z1 to Z{count}\n").encode()
    expect((missing.returncode, missing.stdout, missing.stderr) == (2, b"", refusal), f"{name}: {missing.stderr!r}")
    print(f"{name}: {count} subnets; --subnet 1 --depth 1: {drawn} nodes; --top 30: {drawn_top} nodes")
    return report.stdout


def check_labels(vantira, dot_tool, pnml):
    report = run([vantira, "-j", pnml])
    expect(report.returncode == 0, f"vantira -j {pnml}")
    labels = json.loads(report.stdout).get("labels", {})
    expect(labels.get("p10") == "s10", f"labels of {pnml}: p10 is {labels.get('p10')!r}")
    drawing = run([dot_tool, "--net", "--labels", "--tooltips"], report.stdout)
    expect(drawing.returncode == 0, f"--net --labels: {drawing.stderr!r}")
    expect(re.search(rb'label="s10", tooltip="place p10\\n', drawing.stdout) is not None, "p10 not drawn as s10")
    text = run([vantira, "-q", pnml]).stdout
    expect(b"s10" not in text, "the text report shows a label")
    print(f"{os.path.basename(pnml)}: {len(labels)} labels; --labels draws p10 as s10")


def pixels(png):
    """The rows of an 8-bit RGB or RGBA PNG, unfiltered, as bytes."""
    expect(png[:8] == b"\x89PNG\r\n\x1a\n", "the screenshot is no PNG")
    pos, data, header = 8, b"", None
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        body = png[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            data += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    expect(depth == 8 and colour in (2, 6) and interlace == 0, f"PNG layout {header}")
    size = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(data), width * size, [], bytearray(width * size)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - size] if x >= size else 0
            b, c = previous[x], previous[x - size] if x >= size else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return rows, size


def check_in_browser(browser, dot_tool, report, scratch):
    drawing = run([dot_tool, "--top", "30", "--tooltips"], report)
    svg = run(["dot", "-Tsvg"], drawing.stdout)
    expect(svg.returncode == 0, "dot -Tsvg with tooltips")
    path = os.path.join(scratch, "top.svg")
    with open(path, "wb") as f:
        f.write(svg.stdout)
    common = [browser, "--headless", "--no-sandbox", "--disable-gpu", "--enable-logging=stderr", "--v=0",
              f"--user-data-dir={os.path.join(scratch, 'profile')}"]
    page = run(common + ["--dump-dom", "file://" + path])
    expect(page.returncode == 0, f"{browser} --dump-dom: status {page.returncode}")
    expect(b"parsererror" not in page.stdout and b"<svg" in page.stdout, "the page did not load as SVG")
    expect(b"CONSOLE" not in page.stderr, f"the page logged: {page.stderr[-300:]!r}")
    tooltips = page.stdout.count(b"xlink:title=")
    expect(tooltips >= nodes(drawing.stdout), f"{tooltips} tooltips in the page")
    shot = os.path.join(scratch, "top.png")
    taken = run(common + [f"--screenshot={shot}", "--window-size=1000,800", "file://" + path])
    expect(taken.returncode == 0 and os.path.exists(shot), f"no screenshot: {taken.stderr[-300:]!r}")
    with open(shot, "rb") as f:
        rows, size = pixels(f.read())
    background = rows[0][:size]
    drawn = sum(row[x:x + size] != background for row in rows for x in range(0, len(row), size))
    expect(drawn > len(rows) * len(rows[0]) // size // 200, f"the screenshot is blank but for {drawn} pixels")
    print(f"{browser}: the SVG loads with {tooltips} tooltips; {drawn} pixels drawn")


def main():
    vantira, dot_tool, gen, corpus = sys.argv[1:5]
    failed = []

    def attempt(what, check, *args):
        try:
            return check(*args)
        except Mismatch as problem:
            failed.append(what)
            print(f"FAIL {what}: {problem}")
        return None

    with tempfile.TemporaryDirectory() as scratch:
        base = os.path.join(scratch, "mix")
        made = run([gen, "--format", "net", "mix", "600", base])
        subnets = int(re.search(rb"subnets=(\d+)", made.stdout).group(1))
        if subnets < 300:
            failed.append("generated net")
            print(f"FAIL generated net: {subnets} subnets, not several hundred")
        report = attempt("generated net", check_large, vantira, dot_tool, base + ".net", "mix_600", True)
        afcs = os.path.join(corpus, "net", "afcs_48_a.net")
        if os.path.isfile(afcs):
            # Its Z1 alone holds over a thousand nodes: counted, not laid out.
            attempt("afcs_48_a", check_large, vantira, dot_tool, afcs, "afcs_48_a", False)
        else:
            print(f"not there, left out: {afcs}")
        pnml = os.path.join(corpus, "pnml", "Szymanski-PT-a08.pnml")
        if os.path.isfile(pnml):
            attempt("labels", check_labels, vantira, dot_tool, pnml)
        else:
            print(f"not there, left out: {pnml}")
        browser = shutil.which("chromium") or shutil.which("chromium-browser")
        if browser is None:
            print("no chromium installed: the SVG with tooltips is not opened in a browser")
        elif report is not None:
            attempt("browser", check_in_browser, browser, dot_tool, report, scratch)
    if failed:
        print(f"{len(failed)} failed: {', '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
