"""Measures velkarin.exe against the least work its runs need, under Wine.

Interleaved runs (program then baseline, then the other way round, ...),
each after the disks have caught up (sync), medians:
  no-change   velkarin on an identical target   vs  bare_walk
  first copy  velkarin into an empty target     vs  bare_copy
  1% update   velkarin, deletion on, on a target 1% changed / gone / extra
  bare read   bare_read alone: every file's bytes of the source read once
              (what a run that hashes a whole tree is held against)
for 20,000 and 100,000 files, with wall time, ratios and peak memory; then
the share rows (share_rows.py) on the 20,000-file tree.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import share_rows  # noqa: E402
import trees  # noqa: E402
from programs import BIN, PINNED, WORK, in_turn, median, velkarin, wine, winpath  # noqa: E402

SEED = 20261208
SHARE_MAX_FILES = 20000  # the share rows run on the first tree this size or smaller


def measure(files, runs, with_share):
    base = os.path.join(WORK, f"t{files}")
    shutil.rmtree(base, ignore_errors=True)
    source = os.path.join(base, "source")
    print(f"-- generating {files} files", flush=True)
    directories = trees.plan(files, SEED)
    trees.write(source, directories, SEED)
    identical = os.path.join(base, "identical")
    subprocess.run(["cp", "-a", source, identical], check=True)
    variant_dir = os.path.join(base, "variant")
    subprocess.run(["cp", "-a", source, variant_dir], check=True)
    variant = trees.OnePercentVariant(variant_dir, directories, SEED)
    empty_source = os.path.join(base, "empty-source")
    os.makedirs(empty_source)

    empty_target = os.path.join(base, "empty-target")
    rows = {}
    walk, nochange, peaks = [], [], []
    walk_empty, velkarin_empty, empty_peaks = [], [], []
    copy, bare = [], []
    update = []
    read = []
    for run in range(runs):
        print(f"-- {files} files, run {run + 1} of {runs}", flush=True)
        (seconds, peak), walked = in_turn(
            run, lambda: velkarin(source, identical),
            lambda: wine([os.path.join(BIN, "bare_walk.exe"), winpath(source), winpath(identical)])[0])
        nochange.append(seconds)
        peaks.append(peak)
        walk.append(walked)
        # Start-up and teardown alone: both programs on an empty tree.
        (seconds, peak), walked = in_turn(
            run, lambda: velkarin(empty_source, empty_target),
            lambda: wine([os.path.join(BIN, "bare_walk.exe"), winpath(empty_source),
                          winpath(empty_target)])[0])
        velkarin_empty.append(seconds)
        empty_peaks.append(peak)
        walk_empty.append(walked)
        copied, copied_bare = in_turn(
            run, lambda: velkarin(source, os.path.join(base, f"copy-v{run}"))[0],
            lambda: wine([os.path.join(BIN, "bare_copy.exe"), winpath(source),
                          winpath(os.path.join(base, f"copy-b{run}"))])[0])
        copy.append(copied)
        bare.append(copied_bare)
        variant.restore()
        update.append(velkarin(source, variant_dir, deletion=True)[0])
        read.append(wine([os.path.join(BIN, "bare_read.exe"), winpath(source)])[0])
    empty_peak = max(empty_peaks)
    rows["no-change"] = (median(nochange), median(walk))
    rows["start-up"] = (median(velkarin_empty), median(walk_empty))
    rows["first copy"] = (median(copy), median(bare))
    rows["1% update"] = (median(update), None)
    rows["bare read"] = (None, median(read))
    shared = share_rows.measure(files, base, source, identical, runs) if with_share else None
    shutil.rmtree(base, ignore_errors=True)
    return rows, max(peaks), empty_peak, shared


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    sizes = [int(s) for s in sys.argv[2:]] or [20000, 100000]
    os.makedirs(WORK, exist_ok=True)
    share_size = next((files for files in sizes if files <= SHARE_MAX_FILES), None)
    if not share_rows.enabled():
        print("share rows skipped: VELKARIN_BENCH_SHARE=0")
        share_size = None
    elif share_size is None:
        print(f"share rows skipped: no tree of {SHARE_MAX_FILES} files or fewer in this run")
    results = {files: measure(files, runs, files == share_size) for files in sizes}
    print()
    where = "Wine server and programs pinned to CPU 0" if PINNED else "Wine free on every CPU"
    print(f"Medians of {runs} interleaved runs; {where}; velkarin.exe with its window under Xvfb.")
    print(f"{'files':>7} | {'run':<10} | {'velkarin s':>10} | {'baseline s':>10} | {'ratio':>6} | target")
    targets = {"no-change": 1.3, "first copy": 1.1}
    for files, (rows, _, _, _) in results.items():
        for name, (program, baseline) in rows.items():
            ratio = f"{program / baseline:6.2f}" if program and baseline else "     -"
            goal = f"<= {targets[name]}" if name in targets else ""
            base = f"{baseline:10.2f}" if baseline else f"{'-':>10}"
            own = f"{program:10.2f}" if program else f"{'-':>10}"
            print(f"{files:>7} | {name:<10} | {own} | {base} | {ratio} | {goal}")
    for files, (rows, _, _, _) in results.items():
        (program, baseline), (program_empty, baseline_empty) = rows["no-change"], rows["start-up"]
        print(f"no-change at {files} files without start-up (each minus its empty-tree run): "
              f"{program - program_empty:.2f} s / {baseline - baseline_empty:.2f} s = "
              f"{(program - program_empty) / (baseline - baseline_empty):.2f}")
    if 20000 in results and 100000 in results:
        growth = results[100000][0]["no-change"][0] / results[20000][0]["no-change"][0]
        print(f"growth of the no-change run, 100,000 / 20,000 files: {growth:.2f} (target <= 5.5)")
    for files, (_, peak, empty_peak, _) in results.items():
        per_file = (peak - empty_peak) * 1024 / files
        print(f"peak memory at {files} files: {peak} KiB, empty tree {empty_peak} KiB, "
              f"{per_file:.0f} bytes per file (target <= 600)")
    for files, (rows, _, _, shared) in results.items():
        if shared is not None:
            share_rows.report(files, shared[0], shared[1], rows["no-change"][0], runs)


if __name__ == "__main__":
    main()
