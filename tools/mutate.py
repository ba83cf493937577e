#!/usr/bin/env python3
"""Mutation score of the test suite.

Applies a random sample of small mutations to the sources of the chosen
subsystems (flipped comparisons and logic, off-by-one constants, swapped
booleans, dropped statements), one at a time, rebuilds the tests of that
subsystem and runs them. A mutant is killed when a test fails or times out,
survives when every test passes, and is discarded (not counted) when it does
not compile. Works on a scratch git worktree, never on the caller's tree.
Each mutated file is tested by the test folders that exercise it (the
variometer store in core by tests/vario, the track store by tests/gps, ...).
The scratch build sits inside the scratch tree, as in a developer's checkout,
so ccache serves the unmutated build.

  nice -n 10 tools/mutate.py [--count 100] [--seed 1] [--subsystems gps,vario,plot,core]
                  [--jobs 1] [--list-survivors]

Prints one line per mutant and a table of scores per subsystem.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

# Tests of each subsystem live under tests/<sub>. Files whose tests live
# elsewhere are listed here (path relative to src/).
TEST_DIRS = {
    "core/variostore.cpp": ["vario"],
    "core/trackstore.cpp": ["gps"],
    "core/totals.cpp": ["core", "ui"],
    "core/reportdata.cpp": ["report"],
    "core/storageerror.cpp": ["core", "gps", "vario"],
    "core/flightimport.cpp": ["formats"],
    "core/flightimportwriter.cpp": ["formats"],
    "core/flightstatistics.cpp": ["formats"],
    "core/flightexport.cpp": ["formats"],
}


# Folders whose code is also driven by the suites of others, cheapest first: a
# mutant is killed by the first suite that fails, so the later ones only run for
# mutants that are about to survive.
PREFIX_DIRS = [
    ("plot/scene/", ["scene", "plot"]),
    ("plot/flightscene/", ["scene", "plot"]),
    ("plot/", ["plot", "scene"]),
    ("core/", ["core", "ui"]),
]


def test_dirs(tree, path, sub):
    rel = os.path.relpath(path, os.path.join(tree, "src"))
    if rel in TEST_DIRS:
        return TEST_DIRS[rel]
    for prefix, dirs in PREFIX_DIRS:
        if rel.startswith(prefix):
            return dirs
    return [sub]


def build_and_test(build, tree, dirs, jobs, timeout, stop_on_failure):
    """None when the build fails, else True when every test passes."""
    for d in dirs:
        if run(["ninja", "-C", build, "-j", str(jobs), f"tests/{d}/all"], tree).returncode != 0:
            return None
    for d in dirs:
        cmd = ["ctest", "--test-dir", os.path.join(build, "tests", d), "-j", str(jobs)]
        if stop_on_failure:
            cmd.append("--stop-on-failure")
        if run(cmd, tree, timeout=timeout).returncode != 0:
            return False
    return True


OPERATORS = [
    ("flip <", re.compile(r"(?<![<\-])<(?![<=])(?=\s)"), "<="),
    ("flip >", re.compile(r"(?<![>\-])>(?![>=])(?=\s)"), ">="),
    ("flip <=", re.compile(r"<=(?=\s)"), "<"),
    ("flip >=", re.compile(r">=(?=\s)"), ">"),
    ("flip ==", re.compile(r"==(?=\s)"), "!="),
    ("flip !=", re.compile(r"!=(?=\s)"), "=="),
    ("and->or", re.compile(r"&&"), "||"),
    ("or->and", re.compile(r"\|\|"), "&&"),
    ("true->false", re.compile(r"\btrue\b"), "false"),
    ("false->true", re.compile(r"\bfalse\b"), "true"),
    ("+1", re.compile(r"(?<![\w.])([1-9][0-9]*)(?![\w.])"), None),
    ("0->1", re.compile(r"(?<![\w.])0(?![\w.x])"), "1"),
    ("+ -> -", re.compile(r"(?<=\s)\+(?=\s)"), "-"),
    ("- -> +", re.compile(r"(?<=\s)-(?=\s)"), "+"),
]

SKIP_LINE = re.compile(r'^\s*(#|//|\*|/\*)|QStringLiteral|QLatin1String|Translate\(|"|static_assert|^\s*(case|default)\b')
STATEMENT = re.compile(r"^\s*(?!return\b|if\b|for\b|while\b|else\b|case\b|break\b|continue\b|const\b|auto\b|[A-Z]\w*[\s&*<])"
                       r"[\w:.\->\[\]()]+\s*(\(|=|\+=|-=|\+\+|--).*;\s*$")


def run(cmd, cwd, timeout=None):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout,
                          text=True, errors="replace")


def candidates(root, sub):
    out = []
    folder = os.path.join(root, "src", sub)
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".cpp"):
            continue
        path = os.path.join(folder, name)
        with open(path, encoding="utf-8") as f:
            lines = f.read().split("\n")
        for i, line in enumerate(lines):
            if SKIP_LINE.search(line):
                continue
            code = line.split("//")[0]
            for label, pattern, repl in OPERATORS:
                for m in pattern.finditer(code):
                    out.append((path, i, label, m.start(), m.end(), repl))
            if STATEMENT.match(code) and not code.rstrip().endswith(("{", ",")):
                out.append((path, i, "drop statement", 0, len(line), None))
    return out


def apply(path, lineno, label, start, end, repl):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    line = lines[lineno]
    if label == "drop statement":
        new = re.match(r"^\s*", line).group(0) + ";"
    elif label == "+1":
        new = line[:start] + str(int(line[start:end]) + 1) + line[end:]
    else:
        new = line[:start] + repl + line[end:]
    lines[lineno] = new
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return text, line.strip(), new.strip()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--count", type=int, default=100, help="mutants in all, spread evenly over the subsystems")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--subsystems", default="gps,vario,plot,core")
    ap.add_argument("--jobs", type=int, default=1)
    ap.add_argument("--timeout", type=int, default=240, help="seconds for one subsystem's tests")
    ap.add_argument("--rev", default="HEAD", help="the commit to mutate")
    ap.add_argument("--workdir", default=None, help="scratch folder (kept between runs for a warm build)")
    ap.add_argument("--list-survivors", action="store_true")
    ap.add_argument("--keep", action="store_true",
                    help="keep the scratch tree and its build for the next run of the same commit")
    args = ap.parse_args()

    top = run(["git", "rev-parse", "--show-toplevel"], os.getcwd()).stdout.strip()
    work = args.workdir or os.path.join(tempfile.gettempdir(), "soarnote-mutate")
    tree = os.path.join(work, "tree")
    build = os.path.join(tree, "build")
    want = run(["git", "rev-parse", args.rev], top).stdout.strip()
    have = run(["git", "rev-parse", "HEAD"], tree).stdout.strip() if os.path.isdir(tree) else ""
    if have and args.keep:
        # A tree left by an earlier run: keep its build, move it to the commit
        # asked for (a before/after pair differing in tests rebuilds little).
        run(["git", "checkout", "--", "."], tree)
        if have != want:
            r = run(["git", "checkout", "--detach", want], tree)
            if r.returncode != 0:
                sys.exit(r.stdout)
    else:
        if os.path.isdir(tree):
            run(["git", "worktree", "remove", "--force", tree], top)
            shutil.rmtree(tree, ignore_errors=True)
        os.makedirs(work, exist_ok=True)
        r = run(["git", "worktree", "add", "--detach", tree, args.rev], top)
        if r.returncode != 0:
            sys.exit(r.stdout)
    # The tests find the shared data beside the checkout.
    shared = os.path.join(os.path.dirname(top), "shared")
    if os.path.isdir(shared) and not os.path.exists(os.path.join(work, "shared")):
        os.symlink(shared, os.path.join(work, "shared"))
    subs = [s for s in args.subsystems.split(",") if s]
    rng = random.Random(args.seed)
    per_sub = max(1, args.count // len(subs))
    # The sample is drawn first, so the baseline runs exactly the test
    # folders the mutants will need.
    samples = {}
    for sub in subs:
        pool = candidates(tree, sub)
        rng.shuffle(pool)
        samples[sub] = pool
    needed = sorted({d for sub in subs for entry in samples[sub][: per_sub * 2]
                     for d in test_dirs(tree, entry[0], sub)} | set(subs))

    print(f"configuring and building {args.rev} in {build} ...", flush=True)
    r = run(["cmake", "-S", tree, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], tree)
    if r.returncode != 0:
        sys.exit(r.stdout)
    # The whole tree once: some tests run the program or read files that
    # other targets make (the demo logbook).
    r = run(["ninja", "-C", build, "-j", str(args.jobs)], tree)
    if r.returncode != 0:
        sys.exit(r.stdout[-4000:])
    for d in needed:
        r = run(["ctest", "--test-dir", os.path.join(build, "tests", d), "-j", str(args.jobs)], tree,
                timeout=args.timeout)
        if r.returncode != 0:
            sys.exit(f"the unmutated {d} tests fail:\n" + r.stdout[-4000:])

    results = {s: {"killed": 0, "survived": 0, "stillborn": 0} for s in subs}
    survivors = []
    for sub in subs:
        pool = samples[sub]
        done = 0
        for path, lineno, label, start, end, repl in pool:
            if done >= per_sub:
                break
            original, before, after = apply(path, lineno, label, start, end, repl)
            rel = os.path.relpath(path, tree)
            t0 = time.time()
            dirs = test_dirs(tree, path, sub)
            try:
                try:
                    passed = build_and_test(build, tree, dirs, args.jobs, args.timeout, True)
                except subprocess.TimeoutExpired:
                    passed = False
                if passed is None:
                    results[sub]["stillborn"] += 1
                    continue
                killed = not passed
                done += 1
                results[sub]["killed" if killed else "survived"] += 1
                verdict = "killed  " if killed else "SURVIVED"
                print(f"{verdict} {rel}:{lineno + 1} [{label}] {before!r} -> {after!r} "
                      f"[tests/{','.join(dirs)}] ({time.time() - t0:.0f} s)",
                      flush=True)
                if not killed:
                    survivors.append(f"{rel}:{lineno + 1} [{label}] {before} -> {after}")
            finally:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
        # Leave the build matching the sources for the next subsystem.
        for d in needed:
            run(["ninja", "-C", build, "-j", str(args.jobs), f"tests/{d}/all"], tree)

    print("\nsubsystem  killed  survived  score   (not compiled)")
    tk = ts = 0
    for sub in subs:
        k, s, b = results[sub]["killed"], results[sub]["survived"], results[sub]["stillborn"]
        tk, ts = tk + k, ts + s
        score = 100.0 * k / (k + s) if k + s else 0.0
        print(f"{sub:<10} {k:>6}  {s:>8}  {score:5.1f} %  ({b})")
    print(f"{'all':<10} {tk:>6}  {ts:>8}  {100.0 * tk / max(1, tk + ts):5.1f} %")
    if args.list_survivors and survivors:
        print("\nsurvivors:")
        for s in survivors:
            print("  " + s)
    if not args.keep:
        run(["git", "worktree", "remove", "--force", tree], top)


if __name__ == "__main__":
    main()
