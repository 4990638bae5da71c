"""A network share for the benchmarks: latency_fs serves a local tree with a
delay per request, and Wine reaches it as \\\\srv\\share through the link
$WINEPREFIX/dosdevices/unc/srv/share -> the mount point.
"""
import os
import signal
import subprocess
import time

UNC = "\\\\srv\\share"
CACHE_SECONDS = 1.0  # how long the kernel keeps names and attributes, as an SMB client would


class Unavailable(Exception):
    """The share cannot be mounted here; the message says why."""


class Share:
    def __init__(self, program, tree, mount_point, delay_us, jitter_us=0, seed=1):
        self.program, self.tree, self.mount_point = program, tree, mount_point
        self.delay_us, self.jitter_us, self.seed = delay_us, jitter_us, seed
        self.counts_file = mount_point + ".counts"
        self.link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "unc", "srv", "share")
        self.process = None

    def __enter__(self):
        if not os.path.exists(self.program):
            raise Unavailable(f"{self.program} was not built (is libfuse3-dev installed?)")
        if not os.path.exists("/dev/fuse"):
            raise Unavailable("no /dev/fuse on this machine")
        # A mount left by an interrupted run would hide the new one.
        subprocess.run(["umount", "-l", self.mount_point], stderr=subprocess.DEVNULL)
        os.makedirs(self.mount_point, exist_ok=True)
        self.process = subprocess.Popen(
            [self.program, "--delay-us", str(self.delay_us), "--jitter-us", str(self.jitter_us),
             "--seed", str(self.seed), "--cache-s", str(CACHE_SECONDS), "--counts", self.counts_file,
             self.tree, self.mount_point],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        deadline = time.monotonic() + 10
        while not os.path.ismount(self.mount_point):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.process.kill()
                why = self.process.communicate()[1].strip() or "it did not mount within 10 s"
                raise Unavailable(f"latency_fs could not mount: {why}")
            time.sleep(0.05)
        os.makedirs(os.path.dirname(self.link), exist_ok=True)
        if os.path.lexists(self.link):
            os.remove(self.link)
        os.symlink(os.path.abspath(self.mount_point), self.link)
        return self

    def __exit__(self, *_):
        if os.path.lexists(self.link):
            os.remove(self.link)
        subprocess.run(["umount", self.mount_point], stderr=subprocess.DEVNULL)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            subprocess.run(["umount", "-l", self.mount_point], stderr=subprocess.DEVNULL)
            self.process.kill()
            self.process.wait()

    def counts(self):
        """Requests answered since mounting, by kind."""
        if os.path.exists(self.counts_file):
            os.remove(self.counts_file)
        self.process.send_signal(signal.SIGUSR1)
        deadline = time.monotonic() + 5
        while not os.path.exists(self.counts_file):
            if time.monotonic() > deadline:
                raise SystemExit("latency_fs did not report its request counts")
            time.sleep(0.01)
        with open(self.counts_file) as f:
            return {kind: int(count) for kind, count in (pair.split("=") for pair in f.read().split())}

    def counted(self, action):
        """Runs action() on a cold cache; returns its result and the requests it made."""
        # Whatever the previous run listed has expired from the kernel's cache.
        time.sleep(CACHE_SECONDS + 0.1)
        before = self.counts()
        result = action()
        # Releases are sent after close() returns, without waiting for them.
        time.sleep(0.2)
        after = self.counts()
        return result, {kind: after[kind] - before[kind] for kind in after}


def total(requests):
    """Round trips: FORGET needs no answer and is left out."""
    return sum(count for kind, count in requests.items() if kind != "forget")


def describe(requests):
    return " ".join(f"{kind}={count}" for kind, count in requests.items() if count)
