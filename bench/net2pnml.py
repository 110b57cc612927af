#!/usr/bin/python3
"""Writes a .net net as a PNML document, in the layout of the Model Checking
Contest's P/T models: all places, then all transitions, then all arcs, each
element over several indented lines, inside one page; the net's name last.

usage: bench/net2pnml.py IN.net [OUT.pnml]     (OUT defaults to standard output)

The .net file is read as vantira reads it (plain and braced names, markings,
intervals, weights glued to names, the arrow, comment and label lines). A
braced name loses its braces and becomes the id as it stands. Places and
transitions keep the numbers vantira gives them (order of first occurrence),
and the arcs come transition by transition, input places before output places,
each side in the order of the .net file: so the PNML reading of the result
numbers places and transitions, and lists every transition's places, as the
.net reading does. An arc given twice in the .net file is written twice.
Markings become initial markings, weights inscriptions.
"""

import sys
from xml.sax.saxutils import escape, quoteattr

BLANKS = " \t\n\r"


def get_name(line, i):
    """The name at i (plain or braced) and the position after it."""
    start = i
    if i < len(line) and line[i] == "{":
        escaped = False
        while i < len(line) and line[i] not in "\r\n":
            c = line[i]
            i += 1
            if escaped:
                escaped = False
            elif c == "\\":
                escaped = True
            elif c == "}":
                break
    else:
        while i < len(line) and line[i] not in BLANKS + "*":
            i += 1
    return line[start:i], i


def skip_blanks(line, i):
    while i < len(line) and line[i] in BLANKS:
        i += 1
    return i


def skip_token(line, i):
    while i < len(line) and line[i] not in BLANKS:
        i += 1
    return i


def arrow_at(line, i):
    return i < len(line) - 2 and line.startswith("->", i)


def entries(line, i):
    """Arc entries (name, weight) before the arrow and after it."""
    sides = ([], [])
    side = 0
    while i < len(line):
        if side == 0 and arrow_at(line, i):
            side = 1
            i = skip_blanks(line, i + 2)
            continue
        name, i = get_name(line, i)
        weight = "1"
        if i < len(line) and line[i] == "*":
            end = skip_token(line, i)
            weight = line[i + 1:end]
            i = end
        sides[side].append((name, weight))
        i = skip_blanks(line, i)
    return sides


def unbraced(name):
    if name.startswith("{"):
        return name[1:-1] if name.endswith("}") and len(name) > 1 else name[1:]
    return name


class Net:
    def __init__(self):
        self.name = None
        self.places = {}  # name -> marking, in order of first occurrence
        self.transitions = {}  # name -> None, in order of first occurrence
        self.inputs = {}  # transition -> [(place, weight)]
        self.outputs = {}

    def place(self, name):
        self.places.setdefault(name, None)

    def transition(self, name):
        if name not in self.transitions:
            self.transitions[name] = None
            self.inputs[name] = []
            self.outputs[name] = []

    def read_line(self, line):
        if line.startswith("#"):
            return
        i = skip_blanks(line, 0)
        if i == len(line):
            return
        keyword, i = get_name(line, i)
        i = skip_blanks(line, i)
        name, i = get_name(line, i)
        if keyword == "net":
            self.name = name
            return
        if keyword not in ("pl", "tr"):
            if keyword == "lb":
                return
            sys.exit(f"net2pnml: unknown command: {keyword}")
        i = skip_blanks(line, i)
        mark = None
        if i < len(line) and line[i] in ("(" if keyword == "pl" else "[]"):
            end = skip_token(line, i)
            mark = line[i:end]
            i = end
        before, after = entries(line, skip_blanks(line, i))
        if keyword == "tr":
            self.transition(name)
            for p, w in before:
                self.place(p)
                self.inputs[name].append((p, w))
            for p, w in after:
                self.place(p)
                self.outputs[name].append((p, w))
        else:
            self.place(name)
            if mark is not None:
                self.places[name] = mark[1:].rstrip(")")
            for t, w in before:
                self.transition(t)
                self.outputs[t].append((name, w))
            for t, w in after:
                self.transition(t)
                self.inputs[t].append((name, w))


def labelled(out, indent, tag, attributes, text_of):
    """An element with a name (and optionally one more text child)."""
    out.append(f"{indent}<{tag}{attributes}>\n")
    for child, text in text_of:
        out.append(f"{indent}  <{child}>\n{indent}    <text>{escape(text)}</text>\n{indent}  </{child}>\n")
    out.append(f"{indent}</{tag}>\n")


def write(net, out):
    title = unbraced(net.name) if net.name is not None else "noname"
    parts = [
        '<?xml version="1.0"?>\n',
        '<pnml xmlns="http://www.pnml.org/version-2009/grammar/pnml">\n',
        f'  <net id={quoteattr(title)} type="http://www.pnml.org/version-2009/grammar/ptnet">\n',
        '    <page id="page0">\n      <name>\n        <text>DefaultPage</text>\n      </name>\n',
    ]
    for p, mark in net.places.items():
        texts = [("name", unbraced(p))]
        if mark:
            texts.append(("initialMarking", mark))
        labelled(parts, "      ", "place", f" id={quoteattr(unbraced(p))}", texts)
    for t in net.transitions:
        labelled(parts, "      ", "transition", f" id={quoteattr(unbraced(t))}", [("name", unbraced(t))])
    count = 0
    for t in net.transitions:
        arcs = [(p, t, w) for p, w in net.inputs[t]] + [(t, p, w) for p, w in net.outputs[t]]
        for source, target, weight in arcs:
            count += 1
            attributes = f' id="a{count}" source={quoteattr(unbraced(source))} target={quoteattr(unbraced(target))}'
            labelled(parts, "      ", "arc", attributes, [("inscription", weight)])
        if len(parts) > 4096:
            out.write("".join(parts))
            parts.clear()
    parts.append(f"    </page>\n    <name>\n      <text>{escape(title)}</text>\n    </name>\n  </net>\n</pnml>\n")
    out.write("".join(parts))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.strip().split("\n\n")[1])
    net = Net()
    with open(sys.argv[1], encoding="utf-8", errors="surrogateescape", newline="") as source:
        for line in source:
            net.read_line(line if line.endswith("\n") else line + "\n")
    if len(sys.argv) == 3:
        with open(sys.argv[2], "w", encoding="utf-8", errors="surrogateescape") as target:
            write(net, target)
    else:
        write(net, sys.stdout)


if __name__ == "__main__":
    main()
