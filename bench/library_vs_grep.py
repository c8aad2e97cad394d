#!/usr/bin/env python3
"""Notes library figures against cat and grep over the same files, in the same run:

  list     `lumbex library list` of a generated library (a new process each time, the files
           in the page cache): wall time, against `cat` of every note.json (goal: at most 2×
           and at most 1.5 s).
  search   `lumbex library list --search "login button"` against `grep -ril` of both words over
           the note.json files; the in-memory part of a search (what typing costs in the window)
           is timed by build/release/bench/library_search_bench (goal: at most 20 ms).

    bench/library_vs_grep.py [--build build/release] [--notes 5000] [--runs 5]

The library is written by build/release/bench/library_notes into a temporary folder that is
used as XDG_DATA_HOME (with HOME and XDG_CONFIG_HOME beside it), so no real notes are touched.
"""
import argparse
import glob
import os
import statistics
import subprocess
import sys
import tempfile
import time


def timed(args, env, runs, **kwargs):
    """Median and minimum wall time of `runs` runs, and the last run's output."""
    times = []
    out = ""
    for _ in range(runs):
        start = time.monotonic()
        result = subprocess.run(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                check=False, **kwargs)
        times.append(time.monotonic() - start)
        if result.returncode not in (0, 1):
            raise SystemExit(f"{args[0]} failed ({result.returncode}): {result.stderr.decode()}")
        out = result.stdout
    return statistics.median(times), min(times), out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--notes", type=int, default=5000)
    parser.add_argument("--runs", type=int, default=5)
    options = parser.parse_args()
    lumbex = os.path.abspath(os.path.join(options.build, "lumbex"))
    generator = os.path.abspath(os.path.join(options.build, "bench", "library_notes"))

    with tempfile.TemporaryDirectory(prefix="lumbex-library-bench-") as work:
        env = dict(os.environ, HOME=work, XDG_DATA_HOME=os.path.join(work, "data"),
                   XDG_CONFIG_HOME=os.path.join(work, "config"), QT_QPA_PLATFORM="offscreen")
        notes = os.path.join(work, "data", "Lumbex", "Notes")
        os.makedirs(notes)
        start = time.monotonic()
        subprocess.run([generator, notes, str(options.notes)], env=env, check=True)
        generated = time.monotonic() - start
        files = sorted(glob.glob(os.path.join(notes, "*.capturenote", "note.json")))
        total = sum(os.path.getsize(f) for f in files)
        print(f"library: {len(files)} notes, note.json {total / len(files) / 1024:.1f} KiB on "
              f"average ({total / 1048576:.1f} MiB), written in {generated:.1f} s")

        # Every file read once so that all runs find them in the page cache alike.
        subprocess.run(["cat"] + files, stdout=subprocess.DEVNULL, check=True)

        cat_median, cat_min, _ = timed(["cat"] + files, env, options.runs)
        list_median, list_min, out = timed([lumbex, "library", "list"], env, options.runs)
        listed = out.decode().count("\n")
        print(f"list:   lumbex {list_median:.3f} s (min {list_min:.3f}), cat {cat_median:.3f} s "
              f"(min {cat_min:.3f}): {list_median / cat_median:.2f}× cat; {listed} lines")

        query = ["login", "button"]
        search_median, search_min, out = timed(
            [lumbex, "library", "list", "--search", " ".join(query)], env, options.runs)
        found = out.decode().count("\n")
        # grep -ril of the first word, then of the second among those files: both words anywhere.
        grep = ("grep -ril -- {0} {1} | xargs -r -d '\\n' grep -il -- {2}"
                .format(query[0], os.path.join(notes, "*.capturenote", "note.json"), query[1]))
        grep_median, grep_min, grep_out = timed(["sh", "-c", grep], env, options.runs)
        grep_found = grep_out.decode().count("\n")
        print(f"search: lumbex {search_median:.3f} s (min {search_min:.3f}, load included), "
              f"grep -ril {grep_median:.3f} s (min {grep_min:.3f}); lumbex found {found}, grep "
              f"{grep_found} (grep also sees accents unfolded and JSON keys)")

        bench = os.path.join(os.path.dirname(generator), "library_search_bench")
        if os.path.exists(bench):
            result = subprocess.run([bench, "--benchmark_filter=BM_Search"], env=env,
                                    stdout=subprocess.PIPE, text=True, check=True)
            print("in memory (5,000 entries):")
            for line in result.stdout.splitlines():
                if line.startswith("BM_"):
                    print("  " + line)
        ok = list_median <= 1.5 and list_median <= 2 * max(cat_median, 0.001)
        print("goals: list ≤ 1.5 s and ≤ 2× cat: " + ("met" if ok else "NOT met"))
        return 0


if __name__ == "__main__":
    sys.exit(main())
