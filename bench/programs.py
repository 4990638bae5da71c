"""Running the programs under Wine for the benchmarks: the same Wine, the
same pinning, the same ini for every row."""
import os
import statistics
import subprocess
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.path.join(REPO, "build", "win", "bin")
WORK = os.path.join(REPO, "build", "bench")
PINNED = os.environ.get("VELKARIN_BENCH_FREE", "") == ""
PIN = ["taskset", "-c", "0"] if PINNED else []
# VELKARIN_BENCH_EXE=<path> measures another build of the program (an older
# one, for a before-and-after figure) with everything else the same.
VELKARIN_EXE = os.environ.get("VELKARIN_BENCH_EXE") or os.path.join(BIN, "velkarin.exe")


def winpath(path):
    """A local path as the program sees it; a UNC path is taken as it is."""
    if path.startswith("\\\\"):
        return path
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(args, cwd=None):
    """Runs one program under Wine (pinned to CPU 0 unless VELKARIN_BENCH_FREE
    is set); returns (seconds, peak KiB)."""
    command = ["/usr/bin/time", "-f", "%M", "-o", os.path.join(WORK, "peak.txt")] + PIN + ["wine"] + args
    # Gigabytes written by the previous copy are still going to disk; the
    # writeback would slow whichever program runs next.
    os.sync()
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    seconds = time.perf_counter() - start
    with open(os.path.join(WORK, "peak.txt")) as f:
        peak = int(f.read().split()[-1])
    return seconds, peak


def write_ini(name, source, target, deletion=False, listing=None, extra=""):
    """listing=False turns the published source listing off; None leaves the
    program's default. `extra`: more lines of the main section."""
    text = ("[Основные параметры]\r\n"
            f"КаталогИсточник={winpath(source)}\r\n"
            f"КаталогПриемник={winpath(target)}\r\n"
            "ПроверятьЗапущеноЛиУже=\r\nВыполнить=\r\n"
            f"УдалятьНенужныеФайлы={'да' if deletion else 'нет'}\r\n")
    if listing is not None:
        text += f"ИспользоватьСписокИсточника={'да' if listing else 'нет'}\r\n"
    text += extra
    with open(os.path.join(WORK, name), "wb") as f:
        f.write(text.encode("cp1251"))


def velkarin(source, target, deletion=False, listing=None, extra=""):
    write_ini("velkarin.ini", source, target, deletion, listing, extra)
    result = wine([VELKARIN_EXE, "velkarin.ini"], cwd=WORK)
    if os.path.exists(os.path.join(target, "velkarin.err")):
        raise SystemExit("velkarin.exe reported errors in " + target)
    return result


def baseline(name, source, target):
    return wine([os.path.join(BIN, name), winpath(source), winpath(target)])[0]


def in_turn(run, first, second):
    """Runs both; the program goes first in even runs, the baseline in odd
    ones, so that neither always inherits the other's aftermath."""
    if run % 2 == 0:
        return first(), second()
    later = second()
    return first(), later


def median(values):
    return statistics.median(values)
