#!/usr/bin/env python3
"""Fails unless Windows XP SP3 can load EXE: every DLL it imports from has a list
in EXPORTS (data/winxp-sp3-exports.txt) and every function it imports by name
is in that list, nothing is imported by ordinal (no list covers ordinals), and
the PE header asks for no Windows newer than 5.1 (operating system and
subsystem version). Each offending import is named on a line of its own.

Usage: check_xp_imports.py OBJDUMP EXE EXPORTS
Exit codes: 0 passes, 1 fails, 77 when EXE is not there (not built).
"""
import os
import re
import subprocess
import sys

NEWEST_WINDOWS = (5, 1)  # Windows XP


def read_exports(path):
    exports = {}
    with open(path, encoding="utf-8") as listing:
        for line in listing:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            dll, function = line.split("\t")
            exports.setdefault(dll.lower(), set()).add(function)
    return exports


def read_headers(objdump, exe):
    return subprocess.run([objdump, "-p", exe], check=True, capture_output=True,
                          text=True).stdout


def header_version(headers, major_field, minor_field):
    def field(name):
        found = re.search(r"^%s\s+(\d+)\s*$" % name, headers, re.MULTILINE)
        if not found:
            raise SystemExit("no %s in the PE header" % name)
        return int(found.group(1))
    return field(major_field), field(minor_field)


def read_imports(headers):
    """(dll, function or None, ordinal or None) for every import."""
    imports = []
    section = headers.split("The Import Tables", 1)
    if len(section) < 2:
        return imports
    dll = None
    for line in section[1].splitlines():
        if line and not line[0].isspace():
            break  # the next part of objdump's listing
        named = re.match(r"^\s*DLL Name:\s*(\S+)\s*$", line)
        if named:
            dll = named.group(1).lower()
            continue
        entry = re.match(r"^\t[0-9a-fA-F]+\t\s*(\d+)\s+(\S+)", line)
        if entry and dll:
            if entry.group(2) == "<none>":
                imports.append((dll, None, int(entry.group(1))))
            else:
                imports.append((dll, entry.group(2), None))
    return imports


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    objdump, exe, exports_path = sys.argv[1:]
    if not os.path.isfile(exe):
        print("no such build: %s" % exe)
        return 77
    exports = read_exports(exports_path)
    headers = read_headers(objdump, exe)
    failures = []

    for what, major, minor in (("operating system", "MajorOSystemVersion", "MinorOSystemVersion"),
                               ("subsystem", "MajorSubsystemVersion", "MinorSubsystemVersion")):
        version = header_version(headers, major, minor)
        if version > NEWEST_WINDOWS:
            failures.append("the PE header asks for %s version %d.%d, newer than Windows XP (5.1)"
                            % ((what,) + version))

    imports = read_imports(headers)
    if not imports:
        failures.append("no imports read from %s" % exe)
    unlisted_dlls = set()
    for dll, function, ordinal in imports:
        if dll not in exports:
            if dll not in unlisted_dlls:
                unlisted_dlls.add(dll)
                failures.append("%s: no list of what Windows XP SP3 exports (derive it from the "
                                "same source before importing from it)" % dll)
            if function:
                failures.append("%s %s: from a DLL without a list" % (dll, function))
        elif ordinal is not None:
            failures.append("%s ordinal %d: imported by ordinal, which no list covers "
                            "(look it up with GetProcAddress)" % (dll, ordinal))
        elif function not in exports[dll]:
            failures.append("%s %s: not exported by Windows XP SP3" % (dll, function))

    if failures:
        print("%s does not start on Windows XP SP3:" % exe)
        for failure in failures:
            print("  " + failure)
        return 1
    dlls = sorted({dll for dll, _, _ in imports})
    print("%d imports from %s, all exported by Windows XP SP3; header asks for Windows %s"
          % (len(imports), " ".join(dlls),
             "%d.%d" % header_version(headers, "MajorSubsystemVersion", "MinorSubsystemVersion")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
