#!/usr/bin/env python3
"""Runs genversion over the real configure.ac files of public projects in
REALWORLD (default: ../shared/realworld beside the checkout): every row of
its cases*.tsv tables (file, lib_name, the version Autoconf gives or '?').

A version printed with status 0 must be Autoconf's, filtered; where the
table has '?', only Autoconf could say, and status 0 there is counted on
its own. For each file with a version, --names must list its lib_name, and each of
AC_INIT's fields that --get gives must be what Autoconf gives (fields.tsv).
Prints the counts; exits 1 if any version or field is wrong.

usage: check-realworld.py GENVERSION [REALWORLD]
"""
import csv
import glob
import os
import re
import subprocess
import sys


def main():
    tool = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        here, "..", "..", "shared", "realworld")
    rows = {}
    for table in sorted(glob.glob(os.path.join(folder, "cases*.tsv"))):
        with open(table, newline="") as f:
            for row in csv.DictReader(f, delimiter="\t"):
                rows[(row["file"], row["lib_name"])] = row["autoconf_version"]
    fields = {}
    fields_table = os.path.join(folder, "fields.tsv")
    if os.path.exists(fields_table):
        with open(fields_table, newline="", encoding="latin-1") as f:
            for row in csv.DictReader(f, delimiter="\t",
                                      quoting=csv.QUOTE_NONE):
                fields[row["file"]] = row
    field_counts = {"right": 0, "refused": 0, "wrong": 0}
    counts = {"right": 0, "wrong": 0, "refused": 0, "not found": 0,
              "given where only Autoconf knows": 0, "names missing": 0}
    for (name, lib_name), expected in sorted(rows.items()):
        path = os.path.join(folder, "files", name)
        result = subprocess.run([tool, lib_name, path], capture_output=True)
        if result.returncode != 0:
            kind = ("refused" if b"needs Autoconf" in result.stderr
                    else "not found")
            counts[kind] += 1
            continue
        match = re.match(rb'#define PACKAGE_VERSION "(.*)"\n$', result.stdout)
        version = match.group(1).decode("latin-1") if match else None
        names = subprocess.run([tool, "--names", path], capture_output=True)
        if lib_name.encode() not in names.stdout.split(b"\n"):
            counts["names missing"] += 1
            print("names: %s: --names does not list %s" % (name, lib_name))
        for field, want in sorted(fields.get(name, {}).items()):
            if field == "file":
                continue
            got = subprocess.run([tool, "--get", field, lib_name, path],
                                 capture_output=True)
            if got.returncode != 0:
                field_counts["refused"] += 1
                continue
            if field == "PACKAGE_VERSION":
                want = re.sub(r"[^A-Za-z0-9._-]", "", want)
            line = '#define %s "%s"\n' % (field, want.replace(
                "\\", "\\\\").replace('"', '\\"'))
            if got.stdout.decode("latin-1") == line:
                field_counts["right"] += 1
            else:
                field_counts["wrong"] += 1
                print("WRONG: %s --get %s gives %r, Autoconf %r" % (
                    name, field, got.stdout, want))
        if expected == "?":
            counts["given where only Autoconf knows"] += 1
            print("unchecked: %s %s gives %s" % (name, lib_name, version))
            continue
        if version == re.sub(r"[^A-Za-z0-9._-]", "", expected):
            counts["right"] += 1
        else:
            counts["wrong"] += 1
            print("WRONG: %s %s gives %r, Autoconf %r" % (
                name, lib_name, version, expected))
    print("real world: %d rows: %s" % (len(rows), ", ".join(
        "%d %s" % (n, k) for k, n in counts.items())))
    print("real world: AC_INIT's fields of the files with a version: %s" %
          ", ".join("%d %s" % (n, k) for k, n in field_counts.items()))
    return 1 if (counts["wrong"] or counts["names missing"] or
                 field_counts["wrong"]) else 0


if __name__ == "__main__":
    sys.exit(main())
