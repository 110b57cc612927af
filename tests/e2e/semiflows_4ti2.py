#!/usr/bin/env python3
"""Compares the minimal P- and T-semiflows of `vantira -j -q -p -t --basis`
with those of 4ti2's `rays` (Debian package 4ti2) on the nets given: PNML
documents (arc kinds as attributes or as children), and net descriptions in
the plain grammar (files with labels,
arc kinds or braced names are passed over). The incidence matrix is built
here, from the file, by a reading of its own. The basis of the flows is
checked against it too, also without 4ti2: each vector in the kernel, the
dimension |P| - rank C (|T| - rank C) by a rank of its own (exact, over
the rationals), and the minimal semiflows within the basis's span.

With --random N, also on N random nets it writes itself, of 3 to 14 places
and transitions, whose semiflows together must be more than N.

Usage: semiflows_4ti2.py VANTIRA [--max-bytes N] [--timeout S] [--random N] PATH...
A net that 4ti2 or vantira does not finish within S seconds is passed
over, and said so.
Without 4ti2 the check says so in one line and compares only the bases.
"""
import argparse
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
from fractions import Fraction

from report_checks import count, nets_in, read_pnml


def read_pnml_flow(path):
    """Places, transitions and the arcs as {(p, t, output): weight}, first of each; None where vantira refuses a kind."""
    places, transitions, arcs = read_pnml(path)
    flow = {}
    for place, transition, output, weight, arc_type in arcs:
        if arc_type in ("inhibitor", "read", "test"):
            continue
        if arc_type not in ("", "normal"):
            return None
        flow.setdefault((place, transition, output), weight)
    return places, transitions, flow


NET_LINE = re.compile(r"^\s*(tr|pl)\s")


def read_net(path):
    """The same from a net description in the plain grammar; None for a file that uses more."""
    text = open(path, encoding="latin-1").read()
    if any(c in text for c in "{:?!"):
        return None
    places, transitions, flow = [], [], {}

    def element(kind, name):
        names = places if kind == "p" else transitions
        if name not in names:
            names.append(name)

    for line in text.splitlines():
        words = line.split()
        if not words or line.startswith("#") or words[0] in ("net", "lb"):
            continue
        if words[0] not in ("tr", "pl"):
            return None
        own = "t" if words[0] == "tr" else "p"
        name, rest = words[1], words[2:]
        element(own, name)
        if rest and rest[0][:1] in ("[", "]", "("):
            rest = rest[1:]
        before = True
        for word in rest:
            if word == "->" and before:
                before = False
                continue
            other, _, weight = word.partition("*")
            weight = count(weight) if weight else 1
            element("t" if own == "p" else "p", other)
            if own == "t":
                key = (other, name, not before)
            else:
                key = (name, other, before)
            flow.setdefault(key, weight)
    return places, transitions, flow


def rays(matrix, columns, timeout, scratch):
    """4ti2's extreme rays of {x >= 0 : matrix x = 0}, as sorted tuples; None when it took too long."""
    if not columns:
        return set()
    rows = [row for row in matrix if any(row)]
    if not rows:
        return {tuple(1 if j == i else 0 for j in range(columns)) for i in range(columns)}
    project = os.path.join(scratch, "system")
    with open(project + ".mat", "w") as out:
        out.write(f"{len(rows)} {columns}\n")
        for row in rows:
            out.write(" ".join(map(str, row)) + "\n")
    for stale in (".ray", ".qfree"):
        if os.path.exists(project + stale):
            os.remove(project + stale)
    try:
        subprocess.run([RAYS, "-q", "-parb", project], check=True, timeout=timeout, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        return None
    lines = open(project + ".ray").read().split("\n")[1:]
    return {tuple(int(v) for v in line.split()) for line in lines if line.strip()}


def rank(vectors):
    """The rank of integer vectors (lists), by sparse Gaussian elimination over the rationals."""
    pivots = {}  # column -> row (dict column -> Fraction) with 1 there
    for vector in vectors:
        row = {j: Fraction(v) for j, v in enumerate(vector) if v}
        while row:
            column = min(row)
            pivot = pivots.get(column)
            if pivot is None:
                factor = row[column]
                pivots[column] = {j: v / factor for j, v in row.items()}
                break
            factor = row[column]
            for j, v in pivot.items():
                value = row.get(j, 0) - factor * v
                if value:
                    row[j] = value
                else:
                    row.pop(j, None)
    return len(pivots)


def basis_problems(path, side, matrix, names, report):
    """What is wrong with the report's basis of `side` for {x : matrix x = 0} (rows are equations)."""
    basis = report.get(f"{side}_basis")
    if basis is None:
        return [f"{path}: no {side}_basis"]
    vectors = as_vectors(basis["vectors"], names)
    problems = []
    for vector in vectors:
        if any(sum(a * x for a, x in zip(row, vector)) for row in matrix):
            problems.append(f"{path}: a {side}-basis vector is no flow")
            break
    expected = len(names) - rank(matrix)
    if basis["dimension"] != len(vectors) or len(vectors) != expected:
        problems.append(f"{path}: {side}-basis of {basis['dimension']} ({len(vectors)} vectors), rank gives {expected}")
    if rank(vectors + as_vectors(report[f"{side}_semiflows"] or [], names)) != len(vectors):
        problems.append(f"{path}: a minimal {side}-semiflow lies outside the basis's span")
    return problems


def as_vectors(flows, names):
    """The report's vectors (semiflows or a basis) as lists of weights in the order of `names`."""
    index = {name: i for i, name in enumerate(names)}
    vectors = []
    for flow in flows:
        vector = [0] * len(names)
        for name, weight in flow["weights"].items():
            vector[index[name]] = weight
        vectors.append(vector)
    return vectors


def random_nets(folder, count):
    """Nets shaped like real ones: each transition takes from and gives to one to three places, now and then
    with weight 2; some places on no arc."""
    chosen = random.Random(2029)
    paths = []
    for n in range(count):
        places = [f"p{i}" for i in range(chosen.randint(3, 14))]
        lines = [f"pl {p}" for p in places]
        for t in range(chosen.randint(3, 14)):
            sides = [" ".join(p + ("*2" if chosen.randint(1, 5) == 5 else "")
                              for p in chosen.sample(places, chosen.randint(1, 3))) for _ in range(2)]
            lines.append(f"tr t{t} {sides[0]} -> {sides[1]}")
        paths.append(os.path.join(folder, f"random-{n}.net"))
        with open(paths[-1], "w") as out:
            out.write("\n".join(lines) + "\n")
    return paths


FOUND = {}  # path -> the number of semiflows compared with 4ti2's


def check(vantira, path, net, timeout, scratch):
    places, transitions, flow = net
    c = [[0] * len(transitions) for _ in places]
    p_index = {p: i for i, p in enumerate(places)}
    t_index = {t: i for i, t in enumerate(transitions)}
    for (p, t, output), weight in flow.items():
        c[p_index[p]][t_index[t]] += weight if output else -weight
    try:
        run = subprocess.run([vantira, "-j", "-q", "-p", "-t", "--basis", path], capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        print(f"note: {path}: vantira took over {timeout} s, not compared")
        return ""
    if run.returncode != 0:
        return f"{path}: vantira ended with status {run.returncode}: {run.stdout.decode(errors='replace')}"
    report = json.loads(run.stdout)
    systems = {"p": ([list(col) for col in zip(*c)], places), "t": (c, transitions)}
    problems = []
    for side, (matrix, names) in systems.items():
        problems += basis_problems(path, side, matrix, names, report)
    if RAYS is None:
        return "\n".join(problems)
    for side, (matrix, names) in systems.items():
        found = rays(matrix, len(names), timeout, scratch)
        if found is None:
            print(f"note: {path}: 4ti2 took over {timeout} s, its {side.upper()}-semiflows not compared")
        elif set(map(tuple, as_vectors(report[f"{side}_semiflows"], names))) == found:
            FOUND[path] = FOUND.get(path, 0) + len(found)
        else:
            problems.append(f"{path}: {side.upper()}-semiflows differ from 4ti2's "
                            f"({len(report[f'{side}_semiflows'])} against {len(found)})")
    return "\n".join(problems)


def main():
    global RAYS
    parser = argparse.ArgumentParser()
    parser.add_argument("vantira")
    parser.add_argument("--max-bytes", type=int, default=0)
    parser.add_argument("--timeout", type=float, default=5)
    parser.add_argument("--random", type=int, default=0)
    parser.add_argument("paths", nargs="*")
    args = parser.parse_intermixed_args()
    RAYS = shutil.which("4ti2-rays") or shutil.which("rays")
    if RAYS is None:
        print("semiflows_4ti2: 4ti2 is not installed (sudo apt-get install -y 4ti2); only the bases are checked")
    compared, failures = 0, []
    with tempfile.TemporaryDirectory() as scratch:
        generated = random_nets(scratch, args.random)
        for path in nets_in(args.paths) + generated:
            if args.max_bytes and os.path.getsize(path) > args.max_bytes:
                continue
            net = read_pnml_flow(path) if path.endswith(".pnml") else read_net(path) if path.endswith(".net") else None
            if net is None:
                continue
            problem = check(args.vantira, path, net, args.timeout, scratch)
            compared += 1
            if problem:
                failures.append(problem)
        found = sum(FOUND.get(path, 0) for path in generated)
        if RAYS and args.random and found <= args.random:
            failures.append(f"the {args.random} random nets have {found} semiflows")
    for failure in failures:
        print(failure)
    print(f"semiflows_4ti2: {compared} nets compared ({args.random} random, {found} semiflows in them), "
          f"{len(failures)} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
