"""What the Python checks share: running a program, the nets a command line
names, a reading of a PNML net's arcs of its own, a net of odd names, a
drawing read back with gvpr, and counting each net's outcome."""
import os
import subprocess
import xml.etree.ElementTree as ET


class Mismatch(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Mismatch(what)


def run(args, data=None, cwd=None):
    return subprocess.run(args, input=data, cwd=cwd, capture_output=True, timeout=900)


def nets_in(paths):
    """The files given, and the *.net, *.ndr and *.pnml files of the folders given."""
    nets = []
    for path in paths:
        if os.path.isdir(path):
            nets += [os.path.join(path, name) for name in sorted(os.listdir(path))
                     if name.endswith((".net", ".ndr", ".pnml"))]
        elif os.path.isfile(path):
            nets.append(path)
        else:
            print(f"not there, left out: {path}")
    return nets


def count(text):
    """A weight or marking: digits, then K (10^3) or M (10^6) or nothing."""
    text = text.strip()
    unit = {"K": 1000, "M": 1000000}.get(text[-1:], 1)
    return int(text[:-1] if unit != 1 else text) * unit


def local(tag):
    return tag.rsplit("}", 1)[-1]


def read_pnml(path):
    """Places, transitions (in document order), and the arcs in document order as
    (place, transition, output, weight, kind), references resolved. A kind is an
    attribute of the arc or a `type` child, whose value attribute or text names it;
    "" for none."""
    net = next(e for e in ET.parse(path).getroot() if local(e.tag) == "net")
    places, transitions, refs, written = [], [], {}, []

    def walk(element):
        for child in element:
            kind = local(child.tag)
            if kind == "page":
                walk(child)
            elif kind == "place":
                places.append(child.get("id"))
            elif kind == "transition":
                transitions.append(child.get("id"))
            elif kind in ("referencePlace", "referenceTransition"):
                refs[child.get("id")] = child.get("ref")
            elif kind == "arc":
                weight, arc_type = 1, (child.get("type") or "").strip()
                for part in child:
                    if local(part.tag) == "inscription":
                        weight = count("".join(t.text or "" for t in part if local(t.tag) in ("text", "value")))
                    elif local(part.tag) == "type":
                        arc_type = arc_type or (part.get("value") or "".join(t.text or "" for t in part)).strip()
                written.append((child.get("source"), child.get("target"), weight, arc_type))

    walk(net)

    def node(name):
        while name in refs:
            name = refs[name]
        return name

    place_set, arcs = set(places), []
    for source, target, weight, arc_type in written:
        source, target = node(source), node(target)
        arcs.append((source, target, False, weight, arc_type) if source in place_set else
                    (target, source, True, weight, arc_type))
    return places, transitions, arcs


ODD_NAMES = [
    b'q"uote', b"back\\slash", b"ctl\x01\x02\x0b\x0c\x1f\x7f", b"{tab\tand blank}",
    b"caf\xc3\xa9", b"\xe2\x82\xac", b"\xf0\x9f\x98\x80", b"\xdf\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf",
    b"lone\x80", b"trunc\xe2\x82", b"trunc4\xf0\x9f\x98", b"over\xc0\xaf", b"over3\xe0\x80\xaf",
    b"sur\xed\xa0\x80", b"sur2\xed\xbf\xbf", b"big\xf4\x90\x80\x80", b"\xf5\x80\x80\x80", b"\xff\xfe",
    b"{br\\}ace}", b"long_name_with_a_tail\xe2\x82\xac\xc3" + b"x" * 30,
    b"\\N", b"{a -> b; c [label=x]}",  # what DOT would read as its own
]


def write_odd_nets(folder, net_name=b'{odd "names" \xc3\xa9\xff}'):
    """The same net of odd names as a description and as a drawing."""
    def named(prefix, name):  # inside the braces of a braced name
        return name[:1] + prefix + name[1:] if name.startswith(b"{") else prefix + name
    places, lonely = [named(b"p", name) for name in ODD_NAMES], b"lonely\xc3"
    arcs = [(named(b"t", name), places[i], places[(i * 7 + 3) % len(places)]) for i, name in enumerate(ODD_NAMES)]
    net = [b"net " + net_name] + [b"tr %s %s -> %s" % arc for arc in arcs] + [b"pl " + lonely]
    drawing = ([b"p 0 0 %s 0 n" % p for p in reversed(places + [lonely])] + [b"t 0 0 %s 0 w n" % t for t, _, _ in arcs]
               + [line for t, into, out in arcs for line in (b"e %s %s 1 n" % (into, t), b"e %s %s 1 n" % (t, out))]
               + [b"h " + net_name])
    paths = [os.path.join(folder, name) for name in ("odd-names.net", "odd-names.ndr")]
    for path, lines in zip(paths, (net, drawing)):
        with open(path, "wb") as f:
            f.write(b"\n".join(lines) + b"\n")
    return paths


def tally(counts, failed, path, check, *args):
    """Counts the outcome check(*args) returns; a fault found is printed and
    `path` counted as failed."""
    try:
        outcome = check(*args)
    except (Mismatch, ValueError, KeyError, IndexError, TypeError) as problem:
        failed.append(path)
        print(f"FAIL {os.path.basename(path)}: {type(problem).__name__}: {problem}")
        return None
    counts[outcome] += 1
    return outcome


def summary(counts, failed, needed):
    """Prints the counts; the exit status: 1 on a failure or when nothing reached `needed`."""
    print(", ".join(f"{n} {what}" for what, n in counts.items()) + f", {len(failed)} failed")
    return 1 if failed or not counts[needed] else 0


# Prints the clusters with their nodes, then every node and its out-edges.
READ_BACK = r"""
BEG_G {
  graph_t sg;
  node_t n;
  edge_t e;
  for (sg = fstsubg($G); sg; sg = nxtsubg(sg)) {
    printf("cluster\t%s\t%s\n", sg.name, sg.label);
    for (n = fstnode(sg); n; n = nxtnode_sg(sg, n)) printf("in\t%s\t%s\n", sg.name, n.name);
  }
  for (n = fstnode($G); n; n = nxtnode(n)) {
    printf("node\t%s\t%s\t%s\n", n.name, n.shape, n.label);
    for (e = fstout(n); e; e = nxtout(e)) printf("edge\t%s\t%s\n", e.tail.name, e.head.name);
  }
}
"""


def read_back(dot_text):
    clusters, members, nodes, edges = [], {}, {}, []
    out = run(["gvpr", READ_BACK], dot_text)
    expect(out.returncode == 0, f"gvpr: {out.stderr[-300:]!r}")
    for line in out.stdout.decode("utf-8").split("\n"):
        fields = line.split("\t")
        if fields[0] == "cluster":
            clusters.append((fields[1], fields[2]))
        elif fields[0] == "in":
            members.setdefault(fields[1], []).append(fields[2])
        elif fields[0] == "node":
            nodes[fields[1]] = (fields[2], fields[3])
        elif fields[0] == "edge":
            edges.append((fields[1], fields[2]))
    return clusters, members, nodes, edges
