"""The share rows of bench/run: velkarin.exe and the baselines on \\\\srv\\share
(latency_fs in front of the benchmark tree) at a delay per request, without
and with a listing published at the source root, with the requests each run
made.

  VELKARIN_BENCH_SHARE=0             no share rows
  VELKARIN_BENCH_SHARE_MS="1 10"     delays per request, in ms
  VELKARIN_BENCH_SHARE_COPY_MS="1"   delays at which first copies run too
  VELKARIN_BENCH_SHARE_JITTER_MS=0   random extra delay per request, up to this
  VELKARIN_BENCH_SHARE_SIGNED=0      no rows for a signed listing (published
                                     with КлючПодписи, the run trusting the
                                     key through КлючИздателя)
"""
import os
import shutil
import subprocess

from programs import BIN, PIN, WORK, baseline, in_turn, median, velkarin, wine, winpath, write_ini
import share

LATENCY_FS = os.path.join(BIN, "latency_fs")  # built by scripts/build (bench/CMakeLists.txt)
SLOW_MS = 2  # above this a run takes minutes: one run only


def _ms_list(name, default):
    return [float(value) for value in os.environ.get(name, default).split()]


def enabled():
    return os.environ.get("VELKARIN_BENCH_SHARE", "1") != "0"


def publish(tree, base):
    """velkarin.exe /p on the local tree behind the share (the share itself is
    read-only), its box answered as a user would. True when velkarin.lst
    appeared at the root."""
    listing = os.path.join(tree, "velkarin.lst")
    if os.path.exists(listing):
        os.remove(listing)
    write_ini("velkarin-publish.ini", tree, os.path.join(base, "publish-target"))
    report = os.path.join(WORK, "publish-box.txt")
    answer = os.path.join(BIN, "answer_box.exe")
    box = subprocess.Popen(PIN + ["wine", answer, "velkarin", "ok", "20000", report],
                           stdout=subprocess.DEVNULL)
    program = subprocess.Popen(PIN + ["wine", os.path.join(BIN, "velkarin.exe"), "/p",
                                      "velkarin-publish.ini"], cwd=WORK, stdout=subprocess.DEVNULL)
    if box.wait() == 3:  # a box without OK (a yes/no question): decline it
        subprocess.run(PIN + ["wine", answer, "velkarin", "no", "5000", report],
                       stdout=subprocess.DEVNULL)
    try:
        program.wait(timeout=300)
    except subprocess.TimeoutExpired:
        program.kill()
        program.wait()
    return os.path.exists(listing)


def publish_signed(tree, base):
    """A key pair made with /k, then /s /p with КлючПодписи on the local tree
    behind the share. The ini line that trusts the key, or None when no
    signed listing appeared."""
    keys = os.path.join(base, "publisher-keys")
    shutil.rmtree(keys, ignore_errors=True)
    os.makedirs(keys)
    velkarin_exe = os.path.join(BIN, "velkarin.exe")
    wine([velkarin_exe, "/s", "/k", winpath(keys)], cwd=WORK)
    public = os.path.join(keys, "velkarin-publisher.pub")
    if not os.path.exists(public):
        return None
    write_ini("velkarin-publish.ini", tree, os.path.join(base, "publish-target"),
              extra=f"КлючПодписи={winpath(os.path.join(keys, 'velkarin-publisher.key'))}\r\n")
    listing = os.path.join(tree, "velkarin.lst")
    if os.path.exists(listing):
        os.remove(listing)
    subprocess.run(PIN + ["wine", velkarin_exe, "/s", "/p", "velkarin-publish.ini"], cwd=WORK,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(listing):
        return None
    with open(public, encoding="ascii") as f:
        return f"КлючИздателя={f.read().strip()}\r\n"


def _row(share_, runs, program, bare=None):
    """Median seconds and median requests by kind of program (and bare)."""
    times, counts, bare_times, bare_counts = [], [], [], []
    for run in range(runs):
        mine = lambda: share_.counted(program)
        theirs = (lambda: share_.counted(bare)) if bare else (lambda: (0.0, {}))
        (seconds, requests), (bare_seconds, bare_requests) = in_turn(run, mine, theirs)
        times.append(seconds)
        counts.append(requests)
        bare_times.append(bare_seconds)
        bare_counts.append(bare_requests)
    by_kind = lambda all_: {kind: int(median([c[kind] for c in all_])) for kind in all_[0]}
    return {"s": median(times), "req": by_kind(counts),
            "bare_s": median(bare_times) if bare else None, "bare_req": by_kind(bare_counts) if bare else {}}


def measure(files, base, source, identical, runs):
    """Rows keyed by (delay ms, run, listing); notes say what was left out."""
    rows, notes = {}, []
    published = publish(source, base)
    if published:
        # The target has the listing too, so a no-change run stays one.
        shutil.copy2(os.path.join(source, "velkarin.lst"), identical)
    else:
        notes.append("published rows skipped: velkarin.exe has no /p yet")
        print(notes[-1], flush=True)
    try:
        _measure_delays(files, base, source, identical, runs, published, rows, notes)
        if published and os.environ.get("VELKARIN_BENCH_SHARE_SIGNED", "1") != "0":
            trust = publish_signed(source, base)
            if trust:
                shutil.copy2(os.path.join(source, "velkarin.lst"), identical)
                _measure_signed(files, base, source, identical, runs, trust, rows)
            else:
                notes.append("signed rows skipped: no signed listing was published")
                print(notes[-1], flush=True)
    except share.Unavailable as why:
        notes.append(f"share rows skipped: {why}")
        print(notes[-1], flush=True)
    for name in (os.path.join(source, "velkarin.lst"), os.path.join(identical, "velkarin.lst"),
                 os.path.join(identical, "velkarin.release")):
        if os.path.exists(name):
            os.remove(name)
    return rows, notes


def _measure_delays(files, base, source, identical, runs, published, rows, notes):
    jitter_ms = (_ms_list("VELKARIN_BENCH_SHARE_JITTER_MS", "0") or [0.0])[0]
    copy_delays = _ms_list("VELKARIN_BENCH_SHARE_COPY_MS", "1")
    listings = ["none", "published"] if published else ["none"]
    for delay in _ms_list("VELKARIN_BENCH_SHARE_MS", "1 10"):
        slow = delay > SLOW_MS
        mount = os.path.join(base, "share-mnt")
        with share.Share(LATENCY_FS, source, mount, int(delay * 1000), int(jitter_ms * 1000)) as s:
            print(f"-- {files} files on the share at {delay:g} ms per request", flush=True)
            bare_walk = lambda: baseline("bare_walk.exe", share.UNC, identical)
            for listing in listings:
                off = False if published and listing == "none" else None
                nochange = lambda: velkarin(share.UNC, identical, listing=off)[0]
                rows[(delay, "no-change", listing)] = _row(
                    s, 1 if slow else runs, nochange, bare_walk if listing == "none" else None)
            if delay not in copy_delays:
                notes.append(f"first copy at {delay:g} ms left out (minutes per run; "
                             f"VELKARIN_BENCH_SHARE_COPY_MS=\"{delay:g}\" runs it)")
                continue
            for listing in listings:
                off = False if published and listing == "none" else None
                target = lambda who: os.path.join(base, f"share-copy-{delay:g}-{listing}-{who}")
                copy = lambda: velkarin(share.UNC, target("v"), listing=off)[0]
                bare_copy = lambda: baseline("bare_copy.exe", share.UNC, target("b"))
                # One run: about 7 requests a file, minutes at 20,000 files.
                rows[(delay, "first copy", listing)] = _row(s, 1, copy, bare_copy if listing == "none" else None)


def _measure_signed(files, base, source, identical, runs, trust, rows):
    """No-change runs from the signed listing, the target trusting its key:
    the first one accepts the release, the measured ones find it accepted."""
    velkarin(source, identical, extra=trust)
    for delay in _ms_list("VELKARIN_BENCH_SHARE_MS", "1 10"):
        with share.Share(LATENCY_FS, source, os.path.join(base, "share-mnt"), int(delay * 1000), 0) as s:
            print(f"-- {files} files on the share at {delay:g} ms per request, signed listing", flush=True)
            nochange = lambda: velkarin(share.UNC, identical, extra=trust)[0]
            rows[(delay, "no-change", "signed")] = _row(s, 1 if delay > SLOW_MS else runs, nochange)


def report(files, rows, notes, local_nochange, runs):
    print()
    print(f"Share rows, {files} files as {share.UNC} (latency_fs, names and attributes cached "
          f"{share.CACHE_SECONDS:g} s), target on the local disk; no-change: median of {runs} runs "
          f"(1 above {SLOW_MS} ms), first copy: 1 run. Requests: round trips of that run.")
    print(f"{'delay':>7} | {'run':<10} | {'listing':<9} | {'velkarin s':>10} | {'bare s':>7} | "
          f"{'ratio':>5} | {'requests':>8} | {'bare req':>8} | target")
    walk = {delay: row["bare_s"] for (delay, run, listing), row in rows.items() if run == "no-change" and row["bare_s"]}
    for (delay, run, listing), row in rows.items():
        bare_s = row["bare_s"] if row["bare_s"] is not None else (walk.get(delay) if run == "no-change" else None)
        ratio = f"{row['s'] / bare_s:5.2f}" if bare_s else "    -"
        goal = ""
        if run == "no-change" and listing in ("published", "signed"):
            goal = "ratio <= 0.1, requests <= 50" if delay == 1 else ("<= 2 s, requests <= 50" if delay == 10 else "requests <= 50")
        bare_text = f"{bare_s:7.2f}" if bare_s else f"{'-':>7}"
        bare_req = f"{share.total(row['bare_req']):8d}" if row["bare_req"] else f"{'-':>8}"
        print(f"{delay:5g} ms | {run:<10} | {listing:<9} | {row['s']:10.2f} | {bare_text} | {ratio} | "
              f"{share.total(row['req']):8d} | {bare_req} | {goal}")
    print("requests by kind:")
    for (delay, run, listing), row in rows.items():
        print(f"  {delay:g} ms {run}, {listing}: velkarin {share.describe(row['req'])}")
        if row["bare_req"]:
            print(f"  {delay:g} ms {run}, {listing}: bare     {share.describe(row['bare_req'])}")
    published = rows.get((1.0, "no-change", "published"))
    if published and local_nochange:
        print(f"published no-change at 1 ms against velkarin's no-change on the local disk: "
              f"{published['s']:.2f} s / {local_nochange:.2f} s = {published['s'] / local_nochange:.2f} (target <= 1.3)")
    for note in notes:
        print(note)
