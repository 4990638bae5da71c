#!/usr/bin/env python3
"""The release package as an administrator gets it: build/velkarin-<version>.zip
(written by scripts/package, which scripts/test runs first) holds the four
entries, each the file it stands for, its programs within their sizes,
and the unpacked 64-bit program synchronises a small sample under Wine.

  package_test.py <repository> <version>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

repo, version = sys.argv[1], sys.argv[2]
failures = []
sizes = {}
# Every start on every workstation reads the whole program from the share:
# each packaged program stays within its size.
size_limits = {"x64/velkarin.exe": 800 * 1024, "x86/velkarin.exe": 900 * 1024}


def check(condition, message):
    if not condition:
        failures.append(message)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def machine(exe):
    """The PE header's machine field: 0x8664 for x86-64, 0x14c for x86."""
    offset = int.from_bytes(exe[0x3C:0x40], "little")
    return int.from_bytes(exe[offset + 4:offset + 6], "little") if exe[offset:offset + 4] == b"PE\0\0" else None


def sections(exe):
    """The PE section names, in order. A name longer than eight bytes (the
    debugging sections', ".eh_frame") is stored as "/<offset>" into the COFF
    string table, which follows the symbol table."""
    offset = int.from_bytes(exe[0x3C:0x40], "little")
    count = int.from_bytes(exe[offset + 6:offset + 8], "little")
    strings = (int.from_bytes(exe[offset + 12:offset + 16], "little") +
               18 * int.from_bytes(exe[offset + 16:offset + 20], "little"))
    optional = int.from_bytes(exe[offset + 20:offset + 22], "little")
    table = offset + 24 + optional
    names = []
    for i in range(count):
        name = exe[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
        if name.startswith(b"/") and name[1:].isdigit() and strings:
            start = strings + int(name[1:])
            name = exe[start:exe.index(b"\0", start)]
        names.append(name.decode("ascii", "replace"))
    return names


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


package = os.path.join(repo, "build", f"velkarin-{version}.zip")
if not os.path.exists(package):
    sys.exit(f"FAIL: no {package}: run scripts/package first (scripts/test does)")

work = tempfile.mkdtemp(prefix="velkarin-package-")
try:
    with zipfile.ZipFile(package) as archive:
        check(archive.testzip() is None, "a damaged entry")
        names = sorted(archive.namelist())
        check(names == ["admin-guide.md", "velkarin.ini", "x64/velkarin.exe", "x86/velkarin.exe"],
              f"entries: {names}")
        archive.extractall(os.path.join(work, "package"))
    unpacked = os.path.join(work, "package")

    # Each entry is the current build's file, not a stale or swapped one.
    for entry, source, kind in [("x64/velkarin.exe", "build/package/x64/velkarin.exe", 0x8664),
                                ("x86/velkarin.exe", "build/package/x86/velkarin.exe", 0x14C),
                                ("velkarin.ini", "resources/default-velkarin.ini", None),
                                ("admin-guide.md", "docs/admin-guide.md", None)]:
        path = os.path.join(unpacked, entry)
        if not os.path.exists(path):
            continue
        data = read(path)
        check(data == read(os.path.join(repo, source)), f"{entry} differs from {source}")
        if kind is not None:
            check(machine(data) == kind, f"{entry} is not built for machine {kind:#x}")
            # The workstations' copy carries no debugging information; the
            # build keeps it beside the program, named by the debug link.
            names = sections(data)
            check(not any(n.startswith(".debug") or n.startswith("/") for n in names),
                  f"{entry} carries debugging sections: {names}")
            check(b"velkarin.exe.debug\0" in data, f"{entry} has no debug link to velkarin.exe.debug")
            sizes[entry] = len(data)
            check(len(data) <= size_limits[entry],
                  f"{entry} is {len(data):,} bytes, above its limit of {size_limits[entry]:,} bytes")

    # A sample run beside the unpacked program: no command, no running
    # check, no question.
    source = os.path.join(work, "Источник")
    target = os.path.join(work, "Приемник")
    tree = {"a.txt": b"a\r\n", "Модули/m.dll": b"\0module", "Модули/Пусто/b.bin": bytes(range(256))}
    for name, data in tree.items():
        os.makedirs(os.path.dirname(os.path.join(source, name)), exist_ok=True)
        with open(os.path.join(source, name), "wb") as f:
            f.write(data)
    program_dir = os.path.join(unpacked, "x64")
    ini = ("[Основные параметры]\r\n"
           f"КаталогИсточник={windows_path(source)}\r\n"
           f"КаталогПриемник={windows_path(target)}\r\n"
           "Выполнить=\r\nПроверятьЗапущеноЛиУже=\r\nВопросПриОшибке=нет\r\n")
    with open(os.path.join(program_dir, "velkarin.ini"), "wb") as f:
        f.write(ini.encode("cp1251"))
    if os.path.exists(os.path.join(program_dir, "velkarin.exe")):
        run = subprocess.run([os.path.join(repo, "scripts", "wine-run"), os.path.join(program_dir, "velkarin.exe")],
                             cwd=program_dir, timeout=120, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        check(run.returncode == 0, f"velkarin.exe exit {run.returncode}: {run.stdout[-2000:]!r}")
        copied = {}
        for root, _, files in os.walk(target):
            for name in files:
                path = os.path.join(root, name)
                copied[os.path.relpath(path, target).replace(os.sep, "/")] = read(path)
        check(copied == tree, f"target after the run: {sorted(copied)}")
finally:
    shutil.rmtree(work, ignore_errors=True)

for failure in failures:
    print("FAIL:", failure)
if failures:
    sys.exit(1)
print(f"package {os.path.basename(package)}: entries, programs and a sample run as expected; "
      + ", ".join(f"{entry} {size:,} bytes" for entry, size in sorted(sizes.items())))
