"""Two builds of velkarin.exe and the bare copy, in turn, on one generated
20,000-file tree: the first copy's medians and ratios. For telling whether a
change made the copy slower when whole bench runs differ by more than the
change (the disk's writeback moves every figure from run to run)."""
import os
import shutil
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import trees  # noqa: E402
from programs import BIN, WORK, wine, winpath, write_ini  # noqa: E402

SEED = 20261208


def main():
    programs = {"old": os.path.abspath(sys.argv[1]), "new": os.path.abspath(sys.argv[2])}
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 6
    base = os.path.join(WORK, "compare")
    shutil.rmtree(base, ignore_errors=True)
    source = os.path.join(base, "source")
    trees.write(source, trees.plan(20000, SEED), SEED)
    times = {"old": [], "new": [], "bare": []}
    for run in range(runs):
        order = ["old", "new", "bare"] if run % 2 == 0 else ["bare", "new", "old"]
        for name in order:
            target = os.path.join(base, f"{name}{run}")
            if name == "bare":
                seconds = wine([os.path.join(BIN, "bare_copy.exe"), winpath(source), winpath(target)])[0]
            else:
                write_ini("velkarin.ini", source, target)
                seconds = wine([programs[name], "velkarin.ini"], cwd=WORK)[0]
            times[name].append(seconds)
            shutil.rmtree(target, ignore_errors=True)
        print(f"-- run {run + 1} of {runs}: " + ", ".join(f"{k} {v[-1]:.2f} s" for k, v in times.items()),
              flush=True)
    bare = statistics.median(times["bare"])
    for name in ("old", "new"):
        median = statistics.median(times[name])
        print(f"{name}: median {median:.2f} s, {median / bare:.3f} x the bare copy ({bare:.2f} s)")
    shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main()
