"""Signed releases against the least work they need, under Wine, on one
generated tree. Interleaved runs, medians:
  publish signed   velkarin /s /p with КлючПодписи   vs  bare_read of the source
  (publish plain   velkarin /s /p without a key, for scale)
  checked copy     a first copy from the signed listing (every copy's hash
                   checked)                           vs  bare_copy
  (unchecked copy  the same copy from a scan, for scale)
  repair           velkarin /s /v on an up-to-date target  vs  bare_read of it
Targets: publish signed <= 1.5, checked copy <= 1.2, repair <= 1.5.
"""
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import trees  # noqa: E402
from programs import BIN, VELKARIN_EXE, WORK, in_turn, median, wine, winpath, write_ini  # noqa: E402

SEED = 20261209


def with_key(name, key):
    """Adds КлючПодписи to the ini file `name` that write_ini made."""
    path = os.path.join(WORK, name)
    with open(path, "ab") as f:
        f.write(f"КлючПодписи={winpath(key)}\r\n".encode("cp1251"))


def velkarin_switch(switch, source, target, key=None, listing=None):
    write_ini("velkarin.ini", source, target, listing=listing)
    if key:
        with_key("velkarin.ini", key)
    return wine([VELKARIN_EXE, "/s"] + ([switch] if switch else []) + ["velkarin.ini"], cwd=WORK)[0]


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    files = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    base = os.path.join(WORK, f"signed{files}")
    shutil.rmtree(base, ignore_errors=True)
    source = os.path.join(base, "source")
    print(f"-- generating {files} files", flush=True)
    trees.write(source, trees.plan(files, SEED), SEED)
    keys = os.path.join(base, "keys")
    os.makedirs(keys)
    wine([VELKARIN_EXE, "/s", "/k", winpath(keys)], cwd=WORK)
    key = os.path.join(keys, "velkarin-publisher.key")
    read = lambda tree: wine([os.path.join(BIN, "bare_read.exe"), winpath(tree)])[0]  # noqa: E731

    signed, plain, read_source = [], [], []
    checked, bare, unchecked = [], [], []
    repair, read_target = [], []
    for run in range(runs):
        print(f"-- run {run + 1} of {runs}", flush=True)
        plain.append(velkarin_switch("/p", source, source))
        published, reading = in_turn(run, lambda: velkarin_switch("/p", source, source, key), lambda: read(source))
        signed.append(published)
        read_source.append(reading)
        target = os.path.join(base, f"copy-v{run}")
        copied, copied_bare = in_turn(
            run, lambda: velkarin_switch("", source, target),
            lambda: wine([os.path.join(BIN, "bare_copy.exe"), winpath(source),
                          winpath(os.path.join(base, f"copy-b{run}"))])[0])
        checked.append(copied)
        bare.append(copied_bare)
        unchecked.append(velkarin_switch("", source, os.path.join(base, f"copy-u{run}"), listing=False))
        repaired, reading = in_turn(run, lambda: velkarin_switch("/v", source, target), lambda: read(target))
        repair.append(repaired)
        read_target.append(reading)
    shutil.rmtree(base, ignore_errors=True)

    print()
    print(f"Medians of {runs} interleaved runs on {files} files.")
    print(f"{'run':<15} | {'velkarin s':>10} | {'baseline s':>10} | {'ratio':>6} | target")
    for name, program, baseline, goal in [
        ("publish signed", median(signed), median(read_source), "<= 1.5"),
        ("publish plain", median(plain), median(read_source), ""),
        ("checked copy", median(checked), median(bare), "<= 1.2"),
        ("unchecked copy", median(unchecked), median(bare), ""),
        ("repair", median(repair), median(read_target), "<= 1.5"),
    ]:
        print(f"{name:<15} | {program:10.2f} | {baseline:10.2f} | {program / baseline:6.2f} | {goal}")


if __name__ == "__main__":
    main()
