"""Memory per directory and what a listing may cost: the peaks behind the
figures in bench/README.md."""
import os
import shutil
import subprocess
import sys

import listings
from programs import BIN, VELKARIN_EXE, WORK, wine, velkarin, winpath, write_ini


def small_directories(root, count):
    """`count` directories below `root`, 100 to a parent, one small file in
    every tenth: the shape of a client's many near-empty folders."""
    for i in range(count):
        path = os.path.join(root, f"Каталог {i // 100:03}", f"Папка {i:05}")
        os.makedirs(path, exist_ok=True)
        if i % 10 == 0:
            with open(os.path.join(path, "файл.txt"), "wb") as f:
                f.write(b"x")
            os.utime(os.path.join(path, "файл.txt"), (1_600_000_000, 1_600_000_000))


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)


def per_directory(count, runs):
    source, target = os.path.join(WORK, "dirs-source"), os.path.join(WORK, "dirs-target")
    empty_source, empty_target = os.path.join(WORK, "empty-source"), os.path.join(WORK, "empty-target")
    for path in (source, target, empty_source, empty_target):
        fresh(path)
    small_directories(source, count)
    shutil.rmtree(target)
    subprocess.run(["cp", "-a", source, target], check=True)
    directories = count + (count + 99) // 100
    velkarin(source, target)  # the target made identical once
    peaks = [velkarin(source, target)[1] for _ in range(runs)]
    empty = [velkarin(empty_source, empty_target)[1] for _ in range(runs)]
    peak, empty_peak = max(peaks), max(empty)
    print(f"no-change over {directories} directories: peak {peak} KiB, empty tree {empty_peak} KiB, "
          f"{(peak - empty_peak) * 1024 / directories:.0f} bytes per directory (target <= 300)")


def plan_of_a_large_listing(count):
    """`/l` on a share whose listing names `count` empty directories."""
    share, target = os.path.join(WORK, "listing-share"), os.path.join(WORK, "listing-target")
    fresh(share)
    fresh(target)
    data = listings.empty_directories(count)
    with open(os.path.join(share, "velkarin.lst"), "wb") as f:
        f.write(data)
    write_ini("listing.ini", share, target)
    report = os.path.join(WORK, "listing-box.txt")
    if os.path.exists(report):
        os.remove(report)
    answer = subprocess.Popen(["wine", os.path.join(BIN, "answer_box.exe"), "velkarin", "ok", "900000",
                               winpath(report)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds, peak = wine([VELKARIN_EXE, "/l", "listing.ini"], cwd=WORK)
    answer.wait()
    with open(report, "rb") as f:
        box = f.read().decode("cp1251").split("\n", 1)[-1].replace("\n", " ")
    print(f"/l with a {len(data) / 1e6:.1f} MB listing of {count} empty directories: "
          f"peak {peak} KiB ({peak / 1024:.0f} MiB, target <= 300 or refused), {seconds:.1f} s; box: {box}")


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    os.makedirs(WORK, exist_ok=True)
    per_directory(20000, runs)
    plan_of_a_large_listing(1_000_000)


if __name__ == "__main__":
    main()
