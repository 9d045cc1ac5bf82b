#!/usr/bin/env python3
"""Differential test of genversion against Autoconf itself.

Generates configure.ac files from the ways real files write their version
(literal AC_INIT lines, m4_define/define definitions, calls over several
lines) and from ways only Autoconf can compute (m4 builtins, macros with
parameters, redefinitions, other defining calls). Runs Debian's autoconf on
each, in a fresh folder, takes PACKAGE_VERSION from the generated configure
and checks genversion against it:
  - a file built only from literal definitions must give Autoconf's version,
    filtered to letters, digits, '.', '_' and '-' (or, where that is empty,
    the not-found message);
  - any other file must give that version or the refusal message.
Never may genversion give another version with status 0.

usage: autoconf_differential.py GENVERSION WORK_DIR [COUNT] [SEED]
"""
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys

VERSIONS = ["1.2.3", "0.9", "2.0_beta", "1.2.3-rc1", "10.48-DEV", "3", "1.0+git",
            "4.5.6.7", "2.11", "2.0 beta 3"]


def version_pieces(rng):
    """A version split into parts that definitions may hold."""
    version = rng.choice(VERSIONS)
    return re.split(r"(\.)", version)


class Case:
    def __init__(self, name, literal):
        self.name = name          # the first argument of AC_INIT as written
        self.literal = literal    # only literal definitions: must resolve
        self.lines = []

    def text(self):
        return "".join(line + "\n" for line in self.lines)


def q(text, rng):
    """Quoted or bare, at random, where bare is the same to m4."""
    return "[" + text + "]" if rng.random() < 0.7 else text


def init_call(rng, name, version_text, arguments_only=False):
    """An AC_INIT call, on one line or several. Unless arguments_only, it
    may also be one that m4 passes no arguments."""
    bugs = rng.choice(["", ", [bugs@example.org]",
                       ",[bugs@example.org],[tarname]"])
    form = rng.randrange(6 if arguments_only else 7)
    if form == 6:
        # No '(' right after the name: AC_INIT gets no arguments.
        return "AC_INIT (%s, %s%s)" % (name, version_text, bugs)
    if form == 0:
        return "AC_INIT(%s, %s%s)" % (name, version_text, bugs)
    if form == 1:
        return "AC_INIT(%s,%s%s)dnl a comment" % (name, version_text, bugs)
    if form == 2:
        return "AC_INIT(%s,\n        %s%s)" % (name, version_text, bugs)
    if form == 3:
        return "AC_INIT(\n\t%s,\n\t%s%s\n)" % (name, version_text, bugs)
    if form == 4:
        return "  AC_INIT( %s , %s%s )  # comment" % (name, version_text, bugs)
    return "AC_INIT(%s, %s%s) dnl" % (name, version_text, bugs)


def literal_case(rng):
    name = rng.choice(["[libfoo]", "libfoo", "[foo-bar]"])
    case = Case(name, True)
    case.lines.append("dnl A generated configure.ac")
    pieces = version_pieces(rng)
    style = rng.randrange(5)
    if style == 0:
        version = "".join(pieces)
        case.lines.append(init_call(rng, name, q(version, rng)))
        return case
    # Definitions for the parts, and one for the whole.
    names = []
    for i, piece in enumerate(pieces):
        if piece == ".":
            names.append(None)
            continue
        macro = "v_part%d" % i
        names.append(macro)
        define = rng.choice(["m4_define", "define"])
        value = q(piece, rng) if not piece[0].isalpha() else "[" + piece + "]"
        if rng.random() < 0.2:
            case.lines.append("%s([%s],\n  %s)" % (define, macro, value))
        else:
            after = rng.choice(["", "dnl", " # the part", ""])
            case.lines.append("%s([%s], %s)%s" % (define, macro, value, after))
        if rng.random() < 0.1:
            case.lines.append("%s([%s], %s)" % (define, macro, value))
        if rng.random() < 0.1:
            case.lines.append("# m4_define([%s], [99])" % macro)
            case.lines.append("dnl m4_define([%s], [98])" % macro)
    parts = []
    for macro, piece in zip(names, pieces):
        if macro is None:
            parts.append(".")
        else:
            use = rng.randrange(4)
            parts.append(macro if use < 2 else macro + "()" if use == 2
                         else "m4_defn([%s])" % macro)
    whole = "".join(parts)
    if style == 1:
        case.lines.append(init_call(rng, name, "[" + whole + "]"))
    elif style == 2:
        case.lines.append("m4_define([v_full], [%s])" % whole)
        case.lines.append(init_call(rng, name, rng.choice(["[v_full]",
                                                           "v_full"])))
    elif style == 3:
        # An unquoted value takes the parts' values at once.
        case.lines.append("m4_define([v_full], %s)" % whole.replace(".", "[.]"))
        case.lines.append(init_call(rng, name, "[v_full]"))
    else:
        case.lines.append(init_call(rng, name, whole.replace(".", "[.]")))
    return case


def refused_case(rng):
    """A file whose version may need Autoconf; genversion may refuse it."""
    case = literal_case(rng)
    case.literal = False
    init = case.lines.pop()
    kind = rng.randrange(11)
    if kind == 0:
        case.lines.append("m4_define([v_full], m4_esyscmd([echo 5.6.7]))")
    elif kind == 1:
        case.lines.append("m4_define([v_make], [$1.$2])")
        case.lines.append("m4_define([v_full], [v_make(1, 2)])")
    elif kind == 2:
        case.lines.append("m4_define([v_full], m4_eval(2 + 3).0)")
    elif kind == 3:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("m4_define([v_full], [2.0])")
    elif kind == 4:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("AC_DEFUN([v_full], [3.0])")
    elif kind == 5:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("m4_pushdef([v_full], [4.0])")
    elif kind == 6:
        case.lines.append("m4_define([v_set], [m4_define([v_full], [6.0])])")
        case.lines.append("v_set")
    elif kind == 7:
        case.lines.append("m4_define([v_full], m4_format([%d.%d], 7, 1))")
    elif kind == 8:
        case.lines.append("m4_define([v_full], [m4_esyscmd_s([echo 8])])")
    elif kind == 9:
        # Autoconf's own macros, redefined: the version is not AC_INIT's.
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append(rng.choice([
            "m4_define([AC_PACKAGE_VERSION], [9.9])",
            "m4_pushdef([AC_PACKAGE_VERSION], [8.8])",
            "m4_define([m4_normalize], [5.5])"]))
    else:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("m4_define([v_other], [2.0])")
        case.lines.append("m4_copy_force([v_other], [v_full])")
    case.lines.append(init_call(rng, case.name, "[v_full]", True))
    return case


def autoconf_version(folder):
    """PACKAGE_VERSION from the configure Autoconf makes, or None."""
    result = subprocess.run(["autoconf", "-o", "configure"], cwd=folder,
                            stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, timeout=120)
    if result.returncode != 0:
        return None
    with open(os.path.join(folder, "configure"), encoding="latin-1") as f:
        for line in f:
            if line.startswith("PACKAGE_VERSION='"):
                return line.rstrip("\n")[len("PACKAGE_VERSION='"):-1]
    return None


def check(genversion, work, index, case):
    folder = os.path.join(work, "case%03d" % index)
    os.makedirs(folder)
    path = os.path.join(folder, "configure.ac")
    with open(path, "w") as f:
        f.write(case.text())
    expected = autoconf_version(folder)
    if expected is None:
        return "skipped", None
    want = re.sub(r"[^A-Za-z0-9._-]", "", expected)
    run = subprocess.run([genversion, case.name, path], capture_output=True,
                         timeout=60)
    out = run.stdout.decode("latin-1")
    err = run.stderr.decode("latin-1")
    shutil.rmtree(folder)
    if run.returncode == 0:
        if out == '#define PACKAGE_VERSION "%s"\n' % want:
            return "same", None
        return "wrong", "status 0 with %r, Autoconf %r" % (out, expected)
    if not want and err == "Error: Version string could not be found!\n\n":
        return "same", None
    if not case.literal and err.startswith(
            "Error: Version string could not be resolved!\n%s:" % path):
        return "refused", None
    return "wrong", "status %d with %r, Autoconf %r" % (run.returncode, err,
                                                        expected)


def main():
    genversion, work = sys.argv[1:3]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 20261209)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    cases = [literal_case(rng) if i % 3 else refused_case(rng)
             for i in range(count)]
    counts = {"same": 0, "refused": 0, "skipped": 0, "wrong": 0}
    failures = []
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        results = pool.map(lambda item: check(genversion, work, *item),
                           enumerate(cases))
        for index, (outcome, detail) in enumerate(results):
            counts[outcome] += 1
            if detail:
                failures.append((index, detail))
    for index, detail in failures[:10]:
        print("case %d: %s\n--- configure.ac:\n%s" % (index, detail,
                                                     cases[index].text()))
    print("%d files: %d give Autoconf's version, %d refused, %d skipped "
          "(Autoconf failed), %d wrong" % (count, counts["same"],
                                           counts["refused"], counts["skipped"],
                                           counts["wrong"]))
    print("%d passed, %d failed" % (count - counts["wrong"], counts["wrong"]))
    return 1 if counts["wrong"] or counts["skipped"] > count // 10 else 0


if __name__ == "__main__":
    sys.exit(main())
