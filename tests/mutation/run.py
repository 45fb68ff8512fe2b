#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Seeded-fault run: puts each fault of faults.txt into a clean copy of the committed tree, rebuilds
incrementally, runs the tests and reports which faults the suite caught.

  tests/mutation/run.py [--full] [--only ID[,ID...]] [--work DIR] [--jobs N]

--full runs every test after every fault (and builds everything); by default each fault builds only
the programs its own tests need and runs only the tests its "tests:" line names. Not part of CI:
a full run takes an hour or more on two cores.
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
FIELDS = ("id", "file", "find", "replace", "tests", "effect")
# A fault whose tests run longer than this is counted as caught (hung); the tests' own bounds
# should have stopped it well before.
HANG_SECONDS = 900


def read_faults(path):
    """Records of "key: value" lines, separated by blank lines; '#' lines are comments. A value of
    find or replace keeps its spaces after the first one, so indentation can be given exactly."""
    faults, record = [], {}
    with open(path, encoding="utf-8") as text:
        for number, line in enumerate(text.read().split("\n"), 1):
            if line.startswith("#"):
                continue
            if not line.strip():
                if record:
                    faults.append(record)
                record = {}
                continue
            key, sep, value = line.partition(":")
            if not sep or key not in FIELDS:
                sys.exit(f"{path}:{number}: expected one of {', '.join(FIELDS)}")
            record[key] = value[1:] if value.startswith(" ") else value
    if record:
        faults.append(record)
    for fault in faults:
        for key in ("find", "replace"):
            if key in fault:
                fault[key] = fault[key].replace("\u23ce", "\n")
        missing = [f for f in FIELDS if f not in fault]
        if missing:
            sys.exit(f"fault {fault.get('id', '?')}: missing {', '.join(missing)}")
    return faults


def run(cmd, cwd, log, timeout=None, env=None):
    with open(log, "a") as out:
        out.write(f"\n$ {' '.join(cmd)}\n")
        out.flush()
        try:
            return subprocess.run(cmd, cwd=cwd, stdout=out, stderr=subprocess.STDOUT, timeout=timeout,
                                  env=env).returncode
        except subprocess.TimeoutExpired:
            out.write(f"\n(stopped after {timeout} s)\n")
            return None


def test_programs(build, regex, log):
    """The build targets behind the tests a regex selects: every program of the build folder that a
    selected test's command line names."""
    listing = subprocess.run(["ctest", "--test-dir", build, "-N", "-R", regex, "--show-only=json-v1"],
                             capture_output=True, text=True, env=test_env())
    if listing.returncode != 0:
        return [], 0
    targets = set()
    tests = json.loads(listing.stdout).get("tests", [])
    for test in tests:
        for arg in test.get("command", []):
            for path in re.findall(r"(/[^\s=;]+)", arg):
                if path.startswith(build) and os.path.isfile(path) and os.access(path, os.X_OK):
                    targets.add(os.path.basename(path))
    return sorted(targets), len(tests)


def test_env():
    env = dict(os.environ)
    env["QT_QPA_PLATFORM"] = "offscreen"
    return env


def prepare_copy(source):
    """A clean copy of what is committed: the faults never touch the working tree. A copy kept from an
    earlier run is brought to the commit in place, so unchanged files keep their times and the build
    stays incremental."""
    head = subprocess.run(["git", "-C", REPO, "rev-parse", "HEAD"], capture_output=True, text=True,
                          check=True).stdout.strip()
    if not os.path.isdir(os.path.join(source, ".git")):
        subprocess.run(["git", "clone", "--quiet", "--no-hardlinks", REPO, source], check=True)
    subprocess.run(["git", "-C", source, "fetch", "--quiet", REPO, head], check=True)
    subprocess.run(["git", "-C", source, "checkout", "--quiet", "--force", head], check=True)
    subprocess.run(["git", "-C", source, "clean", "--quiet", "-fdx", "-e", "/build"], check=True)


def prepare_build(source, build, jobs, log):
    if not os.path.isfile(os.path.join(build, "build.ninja")):
        launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        if shutil.which("ccache") is None:
            launcher = []
        if run(["cmake", "-S", source, "-B", build, "-G", "Ninja"] + launcher, source, log) != 0:
            sys.exit(f"configuring failed; see {log}")
    print(f"building the unchanged tree in {build} (log: {log})", flush=True)
    if run(["cmake", "--build", build, "-j", str(jobs)], source, log) != 0:
        sys.exit(f"the unchanged tree does not build; see {log}")


def main():
    # Stopped from outside, the fault is still taken out again (see the finally below).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--full", action="store_true", help="every test after every fault")
    parser.add_argument("--only", help="comma-separated fault ids")
    parser.add_argument("--work", default="/tmp/tirvane-mutation", help="clone and build folder")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--faults", default=os.path.join(HERE, "faults.txt"))
    parser.add_argument("--build", help="use this checkout's existing build folder instead of a clean copy "
                        "(quicker; every file a fault touches is put back afterwards)")
    args = parser.parse_args()

    faults = read_faults(args.faults)
    if args.only:
        wanted = set(args.only.split(","))
        faults = [f for f in faults if f["id"] in wanted]
    source = REPO if args.build else os.path.join(args.work, "tree")
    # The build sits inside the copy as build/ does in a checkout, so that with the copy as ccache's
    # base folder its compile lines match those of any other checkout and reuse their cache.
    build = os.path.abspath(args.build) if args.build else os.path.join(source, "build")
    os.environ["CCACHE_BASEDIR"] = source
    log = os.path.join(args.work, "log.txt")
    os.makedirs(args.work, exist_ok=True)
    if not args.build:
        prepare_copy(source)
        prepare_build(source, build, args.jobs, log)

    results = []
    for fault in faults:
        path = os.path.join(source, fault["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        count = original.count(fault["find"])
        if count != 1:
            print(f"{fault['id']:<28} BAD FAULT ({fault['find']!r} found {count} times in {fault['file']})", flush=True)
            results.append((fault, "bad"))
            continue
        started = time.time()
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(fault["find"], fault["replace"]))
        try:
            regex = "." if args.full else fault["tests"]
            targets, selected = test_programs(build, regex, log)
            if args.full:
                targets = []
            build_cmd = ["cmake", "--build", build, "-j", str(args.jobs)]
            if targets:
                build_cmd += ["--target"] + targets
            if selected == 0:
                outcome = "no tests"
            elif run(build_cmd, source, log) != 0:
                outcome = "build fails"
            else:
                code = run(["ctest", "--test-dir", build, "-R", regex, "-j", str(args.jobs), "--output-on-failure",
                            "--stop-on-failure"],
                           source, log, timeout=HANG_SECONDS, env=test_env())
                outcome = "hung" if code is None else ("caught" if code != 0 else "SURVIVED")
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
        results.append((fault, outcome))
        print(f"{fault['id']:<28} {outcome:<12} {time.time() - started:6.0f} s", flush=True)

    counted = [r for r in results if r[1] in ("caught", "hung", "SURVIVED")]
    caught = [r for r in counted if r[1] != "SURVIVED"]
    print()
    for fault, outcome in results:
        if outcome == "SURVIVED":
            print(f"survived: {fault['id']} ({fault['file']}): {fault['effect']}")
    if counted:
        print(f"kill rate: {len(caught)}/{len(counted)} = {100 * len(caught) / len(counted):.0f}%"
              + ("" if len(counted) == len(results) else f" ({len(results) - len(counted)} faults did not build or apply)"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
