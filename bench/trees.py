"""Deterministic client-install-shaped trees for the benchmarks.

A tree is mostly small files (1-64 KiB) with a few large ones (1-20 MiB),
Cyrillic and Latin names, 20-200 files per directory, up to four levels
deep. The same seed gives the same tree, names, sizes and times.
"""
import os
import random

LATIN = ["bin", "lib", "data", "forms", "reports", "help", "plugins", "sql", "img", "locale"]
CYRILLIC = ["Модули", "Отчеты", "Справка", "Шаблоны", "Формы", "Данные", "Печать", "Обмен",
            "Настройки", "Документы", "Ёлки", "Журналы"]
EXTENSIONS = [".dll", ".dat", ".frx", ".xml", ".txt", ".bpl", ".ini", ".res", ".json", ".ЛОГ"]
# Names Windows reserves cannot be created through the Win32 API.
RESERVED = {"con", "prn", "aux", "nul"} | {f"com{i}" for i in range(1, 10)} | {f"lpt{i}" for i in range(1, 10)}
BASE_TIME = 1_600_000_000  # 2020-09-13, in seconds since 1970


def _name(rng, words, index):
    word = rng.choice(words)
    if rng.random() < 0.5:
        word = word.upper() if rng.random() < 0.2 else word.lower()
    name = f"{word}_{index}"
    return name if name.lower() not in RESERVED else name + "_"


def plan(files, seed):
    """The tree as (relative directory, [(file name, size)]) pairs, in order."""
    rng = random.Random(seed)
    directories = []
    remaining = files
    stack = [("", 0)]
    index = 0
    while remaining > 0:
        parent, depth = stack[rng.randrange(len(stack))]
        index += 1
        words = CYRILLIC if rng.random() < 0.5 else LATIN
        relative = os.path.join(parent, _name(rng, words, index)) if parent or index > 1 else ""
        count = min(remaining, rng.randint(20, 200))
        entries = []
        for i in range(count):
            stem = _name(rng, CYRILLIC if rng.random() < 0.4 else LATIN, i)
            large = rng.random() < 0.0004
            size = rng.randint(1 << 20, 20 << 20) if large else rng.randint(1 << 10, 64 << 10)
            entries.append((stem + rng.choice(EXTENSIONS), size))
        directories.append((relative, entries))
        remaining -= count
        if depth < 4:
            stack.append((relative, depth + 1))
    return directories


def write(root, directories, seed):
    """Creates the planned tree under root with deterministic times."""
    rng = random.Random(seed + 1)
    chunk = bytes(range(256)) * 256  # 64 KiB of pattern
    for relative, entries in directories:
        directory = os.path.join(root, relative)
        os.makedirs(directory, exist_ok=True)
        for name, size in entries:
            path = os.path.join(directory, name)
            with open(path, "wb") as f:
                left = size
                while left > 0:
                    f.write(chunk[: min(left, len(chunk))])
                    left -= len(chunk)
            stamp = BASE_TIME + rng.randrange(0, 10_000_000)
            os.utime(path, (stamp, stamp))


def files_of(directories):
    return [os.path.join(relative, name) for relative, entries in directories for name, _ in entries]


class OnePercentVariant:
    """A target that differs from its source as a daily update would: 1% of
    the files changed on the share (the target copy is older), 1% gone from
    the share (still in the target), and 1% extra files in new target
    directories. restore() puts it back after a run changed it."""

    def __init__(self, target, directories, seed):
        rng = random.Random(seed + 2)
        names = files_of(directories)
        rng.shuffle(names)
        step = max(1, len(names) // 100)
        self.target = target
        self.changed = names[:step]
        self.gone = [os.path.join(os.path.dirname(p), "старый_" + os.path.basename(p)) for p in names[step:2 * step]]
        self.extra = [os.path.join(f"лишний_{i // 100}", f"extra_{i}.dat") for i in range(step)]

    def restore(self):
        for relative in self.changed:
            os.utime(os.path.join(self.target, relative), (BASE_TIME - 86400, BASE_TIME - 86400))
        for relative in self.gone + self.extra:
            path = os.path.join(self.target, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if not os.path.exists(path):
                with open(path, "wb") as f:
                    f.write(b"left over\r\n")
