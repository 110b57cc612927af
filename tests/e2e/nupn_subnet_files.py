#!/usr/bin/env python3
"""Checks the NUPN blocks of PNML subnet files: `vantira -q -s` on each net
given that has one, and on a net written here in the shape of the contest's
large NUPN models (thousands of units, nested, thousands of subnets). Each
subnet file must hold a NUPN block of its own: its size the places,
transitions and arcs the file holds; its units a tree under the root, every
place of the file in exactly one unit, no place or unit the file does not
hold, no unit but the root left empty. All the files of a net together take
at most 3 times the input plus 2 KB a file.

Usage: nupn_subnet_files.py VANTIRA [PATH...]
"""
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from report_checks import Mismatch, expect, local, nets_in


def contest_shaped(path, groups, units_per_group):
    """A net of groups * units_per_group units of three places each, nested in groups
    under a root, whose transitions make a subnet each."""
    places, transitions, arcs, units = [], [], [], []
    count = groups * units_per_group
    for i in range(count):
        names = [f"p{i}_{j}" for j in range(3)]
        places += names
        units.append((f"u{i}", names, []))
        for j in range(3):
            target = f"p{i}_{j + 1}" if j < 2 else f"p{(i + 1) % count}_0"
            transitions.append(f"t{i}_{j}")
            arcs.append((f"p{i}_{j}", f"t{i}_{j}"))
            arcs.append((f"t{i}_{j}", target))
    group_units = [(f"g{g}", [], [f"u{g * units_per_group + k}" for k in range(units_per_group)]) for g in range(groups)]
    root = ("root", [], [g[0] for g in group_units])
    lines = ['<?xml version="1.0"?>', '<pnml xmlns="http://www.pnml.org/version-2009/grammar/pnml">',
             '<net id="shaped" type="http://www.pnml.org/version-2009/grammar/ptnet">', '<page id="page">']
    lines += [f'<place id="{p}"><initialMarking><text>1</text></initialMarking></place>' if p.endswith("_0")
              else f'<place id="{p}"/>' for p in places]
    lines += [f'<transition id="{t}"/>' for t in transitions]
    lines += [f'<arc id="a{k}" source="{s}" target="{t}"/>' for k, (s, t) in enumerate(arcs)]
    lines += ['<toolspecific tool="nupn" version="1.1">',
              f'<size places="{len(places)}" transitions="{len(transitions)}" arcs="{len(arcs)}"/>',
              f'<structure units="{1 + groups + count}" root="root" safe="true">']
    for unit_id, unit_places, subunits in [root] + group_units + units:
        lines += [f'<unit id="{unit_id}">',
                  f"<places>{' '.join(unit_places)}</places>" if unit_places else "<places/>",
                  f"<subunits>{' '.join(subunits)}</subunits>" if subunits else "<subunits/>", "</unit>"]
    lines += ["</structure>", "</toolspecific>", "</page>", "<name><text>shaped</text></name>", "</net>", "</pnml>"]
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def check_file(path):
    net = next(e for e in ET.parse(path).getroot() if local(e.tag) == "net")
    places, transitions, arcs, blocks = set(), 0, 0, []
    for element in net.iter():
        kind = local(element.tag)
        if kind == "place":
            places.add(element.get("id"))
        elif kind == "transition":
            transitions += 1
        elif kind == "arc":
            arcs += 1
        elif kind == "toolspecific" and element.get("tool") == "nupn":
            blocks.append(element)
    expect(len(blocks) == 1, f"{path}: {len(blocks)} NUPN blocks")
    block = blocks[0]
    size = next(e for e in block if local(e.tag) == "size")
    expect((int(size.get("places")), int(size.get("transitions")), int(size.get("arcs"))) ==
           (len(places), transitions, arcs), f"{path}: size {size.attrib}, the file holds "
           f"{len(places)} places, {transitions} transitions, {arcs} arcs")
    structure = next(e for e in block if local(e.tag) == "structure")
    units = {}
    for unit in structure:
        parts = {local(e.tag): (e.text or "").split() for e in unit}
        expect(unit.get("id") not in units, f"{path}: unit {unit.get('id')} twice")
        units[unit.get("id")] = (parts.get("places", []), parts.get("subunits", []))
    expect(int(structure.get("units")) == len(units), f"{path}: units={structure.get('units')}, {len(units)} given")
    root = structure.get("root")
    expect(root in units, f"{path}: the root {root} is no unit")
    held, parent = {}, {}
    for unit_id, (unit_places, subunits) in units.items():
        expect(unit_id == root or unit_places or subunits, f"{path}: unit {unit_id} is empty")
        for p in unit_places:
            expect(p in places, f"{path}: unit {unit_id} names {p}, which the file does not hold")
            expect(p not in held, f"{path}: {p} in units {held.get(p)} and {unit_id}")
            held[p] = unit_id
        for s in subunits:
            expect(s in units and s not in parent and s != root, f"{path}: sub-unit {s} of {unit_id}")
            parent[s] = unit_id
    expect(set(held) == places, f"{path}: places in no unit: {sorted(places - set(held))[:5]}")
    expect(set(parent) | {root} == set(units), f"{path}: units not under the root")


def check_net(vantira, path, scratch):
    work = tempfile.mkdtemp(dir=scratch)
    net = os.path.join(work, os.path.basename(path))
    with open(path, "rb") as source, open(net, "wb") as copy:
        copy.write(source.read())
    run = subprocess.run([vantira, "-q", "-s", os.path.basename(net), "report.txt"], cwd=work, capture_output=True,
                         timeout=600)
    expect(run.returncode == 0, f"{path}: status {run.returncode}: {run.stdout.decode(errors='replace')}")
    expect(run.stderr == b"", f"{path}: {run.stderr.decode(errors='replace')}")
    files = [os.path.join(work, f) for f in sorted(os.listdir(work)) if "-z" in f and f.endswith(".pnml")]
    expect(files, f"{path}: no subnet file")
    for f in files:
        check_file(f)
    total, limit = sum(os.path.getsize(f) for f in files), 3 * os.path.getsize(path) + 2048 * len(files)
    expect(total <= limit, f"{path}: the subnet files take {total} bytes, more than {limit}")
    print(f"{os.path.basename(path)}: {len(files)} subnet files, {total} bytes for an input of "
          f"{os.path.getsize(path)} bytes")


def main():
    vantira, paths = os.path.abspath(sys.argv[1]), sys.argv[2:]
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        shaped = os.path.join(scratch, "shaped.pnml")
        contest_shaped(shaped, 100, 15)
        for path in [shaped] + [p for p in nets_in(paths) if p.endswith(".pnml") and b'tool="nupn"' in
                                open(p, "rb").read()]:
            try:
                check_net(vantira, path, scratch)
            except Mismatch as mismatch:
                print(mismatch)
                failures += 1
    print(f"nupn_subnet_files: {failures} nets failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
