#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Free-run speed of the demos before and after a change, measured in one run.

usage: bench/demos/compare_layers.py [BASE] [AFTER]

Builds tirvane_bench_demos of BASE (a commit; default 35d2fa0, the last one before the layer
libraries and the board records) in a tree of its own, and of AFTER the same way when it is a
commit (a906c18 is the first with both and nothing later), or takes AFTER's (a build folder;
default build). Then runs both demo by demo in turns, five rounds, so that a change in the host's
load touches both sides alike, and prints each demo's best frames/s and emulated MHz with the
ratio after/before. Descriptions that gained their board's real frame length since BASE run more
T-states a frame, so their frames/s ratio is not like for like: MHz is the figure to compare.
"""
import json
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]


def build_base(base):
    work = pathlib.Path(tempfile.gettempdir()) / f"tirvane-demos-base-{base}"
    bench = work / "build" / "bin" / "tirvane_bench_demos"
    if not bench.exists():
        (work / "src").mkdir(parents=True, exist_ok=True)
        archive = subprocess.run(["git", "-C", str(ROOT), "archive", base], check=True, capture_output=True).stdout
        subprocess.run(["tar", "-x", "-C", str(work / "src")], input=archive, check=True)
        subprocess.run(["cmake", "-S", str(work / "src"), "-B", str(work / "build"), "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DTIRVANE_GUI=OFF",
                        "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"], check=True, capture_output=True)
        subprocess.run(["cmake", "--build", str(work / "build"), "-j2", "--target", "tirvane_bench_demos"],
                       check=True, capture_output=True)
    return bench


def figures(bench, name=None):
    args = [str(bench), "--benchmark_format=json"]
    if name:
        args.append(f"--benchmark_filter=^{name.replace('.', '[.]')}/")
    out = subprocess.run(args, check=True, capture_output=True, text=True)
    return {row["name"].split("/")[0]: (row["fps"], row["MHz"]) for row in json.loads(out.stdout)["benchmarks"]}


def main():
    base = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--short",
                           sys.argv[1] if len(sys.argv) > 1 else "35d2fa0"],
                          check=True, capture_output=True, text=True).stdout.strip()
    after = sys.argv[2] if len(sys.argv) > 2 else str(ROOT / "build")
    before_bench = build_base(base)
    if pathlib.Path(after).is_dir():
        subprocess.run(["cmake", "--build", after, "--target", "tirvane_bench_demos"], check=True,
                       capture_output=True)
        after_bench = pathlib.Path(after) / "bin" / "tirvane_bench_demos"
    else:
        after = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--short", after], check=True,
                               capture_output=True, text=True).stdout.strip()
        after_bench = build_base(after)
    listed = subprocess.run([str(before_bench), "--benchmark_list_tests=true"], check=True, capture_output=True,
                            text=True).stdout.split()
    names = sorted({line.split("/")[0] for line in listed})
    best = {"before": {}, "after": {}}
    for _ in range(5):
        for name in names:
            for side, bench in (("before", before_bench), ("after", after_bench)):
                for found, (fps, mhz) in figures(bench, name).items():
                    old = best[side].get(found, (0, 0))
                    best[side][found] = (max(old[0], fps), max(old[1], mhz))
    print(f"{'demo, best of 5 runs':28} {'fps before':>11} {'fps after':>10} {'ratio':>6}"
          f" {'MHz before':>11} {'MHz after':>10} {'ratio':>6}")
    ratios = []
    for name in sorted(set(best["before"]) & set(best["after"])):
        (fb, mb), (fa, ma) = best["before"][name], best["after"][name]
        ratios.append(ma / mb)
        print(f"{name:28} {fb:11.0f} {fa:10.0f} {fa / fb:6.3f} {mb:11.1f} {ma:10.1f} {ma / mb:6.3f}")
    if ratios:
        product = 1.0
        for r in ratios:
            product *= r
        print(f"before: {base}; after: {after}. Geometric mean of the MHz ratios: "
              f"{product ** (1 / len(ratios)):.3f}")


if __name__ == "__main__":
    main()
