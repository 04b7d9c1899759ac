#!/usr/bin/env python3
"""Runs the program on mutated copies of a corpus of jobs and collects every run that ends
in the internal error (or a signal, or a time-out).

    fuzz-runs.py EXE CORPUS_DIR WORK_DIR [--cases N] [--seed S] [--jobs 3] [--timeout 20]
                 [--families nonlinear,thermal,dynamic,modal]

A corpus: the scratch directories of the whole-run tests kept with VOLDE_KEEP_RUNS=<dir>
(tests/support/run_program.cpp). Each case copies one <job>_gl.bin with its _ctrl.dat and
changes one to three of its numbers: a double (found as an 8-byte value of plausible
magnitude) set to 0, a sign change, a tiny, huge or non-finite value or a scaled copy; an
int32 (a 4-byte value from -2 to 1000) set to a nearby or out-of-range count or code; or one
byte. The analysis type and the nonlinear flags of <MAIN_PARAMETERS> are kept, so that every
case stays in the family of its job; the numbers inside the tags and strings are kept too.
The job's other files come along (the modes of a modal run, the files of a restart). Every failing case is kept under WORK_DIR/found/ with
the program's error stream; the summary counts the cases per family and the runs per
internal-error site (file:line).
"""
import argparse
import collections
import concurrent.futures
import math
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile

FAMILIES = {1: "static", 2: "dynamic", 3: "modal", 4: "modal", 5: "thermal", 6: "thermal", 7: "dynamic"}
SPECIAL_DOUBLES = [0.0, -1.0, 1.0, 1e300, -1e300, 1e-300, -1e6, 1e6, 1e-12, float("nan"), float("inf"),
                   float("-inf"), 0.5, 2.0, 1e20]
OUTCOMES = collections.Counter()
SPECIAL_INTS = [0, -1, 1, 2, 3, 4, 5, 7, 8, 10, 100, 1000, -2, 2**31 - 1, -2**31]


def main_fields(data):
    """Offset of ANALYSIS_TYPE and the analysis type with its nonlinear flag."""
    tag = b"<MAIN_PARAMETERS>\0"
    p = data.find(tag)
    if p < 0:
        return None
    p += len(tag)
    n = struct.unpack_from("<i", data, p)[0]
    at = p + 4 + n + 1
    kind, nonlinear = struct.unpack_from("<iB", data, at)
    return at, kind, nonlinear


def family(data):
    f = main_fields(data)
    if f is None:
        return None
    _, kind, nonlinear = f
    if kind == 1:
        return "nonlinear" if nonlinear else "static"
    return FAMILIES.get(kind)


def strings(data):
    """Bytes of the tags and strings: an int32 length n, n printable bytes and a NUL."""
    held = bytearray(len(data))
    i = 0
    while i + 4 < len(data):
        n = struct.unpack_from("<i", data, i)[0]
        if 0 < n < 200 and i + 4 + n < len(data) and data[i + 4 + n] == 0 and all(
                32 <= c < 127 for c in data[i + 4:i + 4 + n]):
            for k in range(i, i + 5 + n):
                held[k] = 1
            i += 5 + n
        else:
            i += 1
    return held


def candidates(data, protect):
    doubles, ints = [], []
    held = strings(data)
    for i in range(len(data) - 8):
        if protect[0] <= i < protect[1] or any(held[i:i + 8]):
            continue
        d = struct.unpack_from("<d", data, i)[0]
        if math.isfinite(d) and (d == 0.0 and i % 4 == 0 or 1e-9 < abs(d) < 1e12):
            doubles.append(i)
    for i in range(len(data) - 4):
        if protect[0] - 4 < i < protect[1] or any(held[i:i + 4]):
            continue
        v = struct.unpack_from("<i", data, i)[0]
        if -2 <= v <= 1000:
            ints.append(i)
    return doubles, ints, held


def mutate(data, doubles, ints, protect, held, rng):
    b = bytearray(data)
    notes = []
    for _ in range(rng.choice([1, 1, 1, 2, 3])):
        r = rng.random()
        if r < 0.75 and doubles:
            i = rng.choice(doubles)
            old = struct.unpack_from("<d", b, i)[0]
            new = rng.choice(SPECIAL_DOUBLES + [-old, old * 1e3, old * 1e-3, old * rng.uniform(-10, 10)])
            struct.pack_into("<d", b, i, new)
            notes.append("double@%d %r->%r" % (i, old, new))
        elif r < 0.95 and ints:
            i = rng.choice(ints)
            old = struct.unpack_from("<i", b, i)[0]
            new = rng.choice(SPECIAL_INTS + [old + 1, old - 1, old * 2])
            new = max(-2**31, min(2**31 - 1, new))
            struct.pack_into("<i", b, i, new)
            notes.append("int@%d %d->%d" % (i, old, new))
        else:
            i = rng.randrange(len(b))
            if protect[0] <= i < protect[1] or held[i]:
                continue
            old = b[i]
            b[i] = rng.randrange(256)
            notes.append("byte@%d %d->%d" % (i, old, b[i]))
    return bytes(b), notes


def run_case(exe, work, case, gl, ctrl, data, notes, timeout):
    d = tempfile.mkdtemp(prefix="case%d_" % case, dir=work)
    try:
        with open(os.path.join(d, "job_gl.bin"), "wb") as f:
            f.write(data)
        job = os.path.basename(gl)[: -len("_gl.bin")]
        src = os.path.dirname(gl)
        for name in os.listdir(src):
            if name.startswith(job + "_") and not name.endswith(("_gl.bin", ".lock")):
                shutil.copy(os.path.join(src, name), os.path.join(d, "job" + name[len(job):]))
        try:
            p = subprocess.run([exe, "job"], cwd=d, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, timeout=timeout)
            rc, err = p.returncode, p.stderr.decode("latin-1")
        except subprocess.TimeoutExpired:
            rc, err = "timeout", ""
        site = None
        outcome = "success" if rc == 0 else err[err.find("ERROR:"):].split("\n")[1][:70] if "ERROR:" in err else "?"
        OUTCOMES[outcome] += 1
        m = re.search(r"INTERNAL ERROR[^\n]*\n(?:[^\n]*\n)*?[^\n]*?(src/[\w/]+\.\w+)[^\n]*?(\d+)", err)
        if "INTERNAL ERROR" in err:
            m = re.search(r"(src/[\w/.]+)\D+(\d+)", err[err.find("INTERNAL ERROR"):])
            site = "%s:%s" % (m.group(1), m.group(2)) if m else "internal error"
        elif rc == "timeout":
            site = "timeout"
        elif isinstance(rc, int) and rc < 0:
            site = "signal %d" % -rc
        if site is not None:
            keep = os.path.join(work, "found", "case%d" % case)
            os.makedirs(keep, exist_ok=True)
            with open(os.path.join(keep, "job_gl.bin"), "wb") as f:
                f.write(data)
            if ctrl:
                shutil.copy(ctrl, os.path.join(keep, "job_ctrl.dat"))
            with open(os.path.join(keep, "notes.txt"), "w") as f:
                f.write("%s\n%s\n%s\n\n%s" % (gl, site, "\n".join(notes), err))
        return site
    finally:
        shutil.rmtree(d, ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("exe")
    ap.add_argument("corpus")
    ap.add_argument("work")
    ap.add_argument("--cases", type=int, default=2000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=3)
    ap.add_argument("--timeout", type=float, default=20.0)
    ap.add_argument("--families", default="nonlinear,thermal,dynamic,modal")
    ap.add_argument("--seed-seconds", type=float, default=5.0, help="leave out jobs whose own run takes longer")
    ap.add_argument("--outcomes", type=int, default=0, help="list the N most frequent outcomes")
    a = ap.parse_args()
    exe = os.path.realpath(a.exe)
    wanted = set(a.families.split(","))
    seeds = []
    for root, _, files in os.walk(a.corpus):
        for name in sorted(files):
            if not name.endswith("_gl.bin"):
                continue
            gl = os.path.join(root, name)
            data = open(gl, "rb").read()
            fam = family(data)
            if fam not in wanted:
                continue
            at = main_fields(data)[0]
            protect = (at, at + 6)
            ctrl = gl[: -len("_gl.bin")] + "_ctrl.dat"
            seeds.append((gl, ctrl if os.path.exists(ctrl) else None, data, fam, protect, candidates(data, protect)))
    os.makedirs(a.work, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(max_workers=a.jobs) as pool:
        quick = list(pool.map(lambda s: run_case(exe, a.work, 0, s[0], s[1], s[2], [], a.seed_seconds) != "timeout",
                              seeds))
    seeds = [s for s, q in zip(seeds, quick) if q]
    shutil.rmtree(os.path.join(a.work, "found", "case0"), ignore_errors=True)
    if not seeds:
        sys.exit("no job of the families %s under %s" % (a.families, a.corpus))
    # Every family gets an equal share of the cases, whatever the number of its jobs.
    byFamily = collections.defaultdict(list)
    for s in seeds:
        byFamily[s[3]].append(s)
    fams = sorted(byFamily)
    rng = random.Random(a.seed)
    os.makedirs(a.work, exist_ok=True)
    counts, sites = collections.Counter(), collections.Counter()
    firstCase = {}
    with concurrent.futures.ThreadPoolExecutor(max_workers=a.jobs) as pool:
        futures = {}
        for case in range(1, a.cases + 1):
            gl, ctrl, data, fam, protect, (doubles, ints, held) = rng.choice(byFamily[fams[case % len(fams)]])
            mutated, notes = mutate(data, doubles, ints, protect, held, rng)
            counts[fam] += 1
            futures[pool.submit(run_case, exe, a.work, case, gl, ctrl, mutated, notes, a.timeout)] = (case, fam)
        for fut in concurrent.futures.as_completed(futures):
            site = fut.result()
            if site is not None:
                case, fam = futures[fut]
                sites[(site, fam)] += 1
                firstCase.setdefault((site, fam), case)
    print("seeds: %s" % ", ".join("%s %d" % (f, len(byFamily[f])) for f in fams))
    print("cases: %s (total %d)" % (", ".join("%s %d" % (f, counts[f]) for f in fams), sum(counts.values())))
    for (site, fam), n in sorted(sites.items()):
        print("  %-50s %-10s %5d runs (first: case %d)" % (site, fam, n, firstCase[(site, fam)]))
    if a.outcomes:
        for text, n in OUTCOMES.most_common(a.outcomes):
            print("  outcome %5d  %s" % (n, text))
    print("%d failing runs" % sum(sites.values()))
    return 1 if sites else 0


if __name__ == "__main__":
    sys.exit(main())
