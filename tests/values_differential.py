#!/usr/bin/env python3
"""Differential test of genversion's --get and --m4 against Autoconf.

Generates configure.ac files with AC_INIT calls of two to five arguments
(quoted, bare, computed by m4, GNU names, missing or empty tarname and
URL), m4 values defined before the call, and shell variables set in every
way a file may set them, the traps among them (an assignment inside if,
AS_IF, case or a function, twice, after a use, with $(...), with a later
AC_SUBST). Runs Debian's autoconf on each, then ./configure, which writes
a template of every value; m4 values come from m4_errprintn right after
the AC_INIT call. Then asks genversion for the values, one run each:
  - status 0 must give the configure script's value, byte for byte (the
    version filtered as genversion filters it);
  - the traps must be refused;
  - nothing may be given where Autoconf or configure fails.

usage: values_differential.py GENVERSION WORK_DIR [COUNT] [SEED]
"""
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys

FIELDS = ["PACKAGE_NAME", "PACKAGE_TARNAME", "PACKAGE_VERSION",
          "PACKAGE_STRING", "PACKAGE_BUGREPORT", "PACKAGE_URL"]

NAMES = ["foo", "libfoo", "GNU Hello", "GNU foo-bar", "Foo Bar 2", "lib_x.y",
         "GNU", "GNUish tools", "Cairo", "x264", "my lib+", "A-B_C"]
VERSIONS = ["1.2.3", "0.9", "10.48-DEV", "2.1-rc1", "3", "1.0 beta 2"]
BUGS = ["bugs@example.org", "https://example.org/bugs", "say \"hi\"",
        "m4_esyscmd([echo x])", "a  [b]  c", "tab\there", "$1 and $#",
        "a\\b", "x y  z", "<me@x.org>", "", "a,b"]
TARNAMES = ["foo", "", "my-tar", "[]", "Tar_Name"]
URLS = ["https://example.org/", "", "http://x.org/a?b=c&d"]


def quote(text, rng):
    """Quoted, or bare where m4 reads the bare text the same."""
    if re.fullmatch(r"[A-Za-z0-9._@:/+-]+", text) and rng.random() < 0.3:
        return text
    return "[" + text + "]"


class Case:
    def __init__(self):
        self.lines = []
        self.name = None        # AC_INIT's first argument as written
        self.fields = []        # FIELDS asked
        self.macros = []        # (name, expected to be refused)
        self.variables = []     # (name, trap)

    def text(self):
        subst = "".join("AC_SUBST([%s])\n" % v for v, _ in self.variables)
        return ("".join(line + "\n" for line in self.lines) + subst +
                "AC_CONFIG_FILES([values])\nAC_OUTPUT\n")


def init_line(case, rng):
    """AC_INIT of two to five arguments, some computed by m4."""
    name = rng.choice(NAMES)
    arguments = [quote(name, rng), quote(rng.choice(VERSIONS), rng)]
    if rng.random() < 0.2:
        case.lines.append("m4_define([pkg_name], [%s])" % name)
        arguments[0] = "pkg_name"
    if rng.random() < 0.2:
        case.lines.append("m4_define([pkg_major], [4])")
        arguments[1] = "[pkg_major.%d]" % rng.randrange(10)
    count = rng.randrange(2, 6)
    if count >= 3:
        bugs = rng.choice(BUGS)
        if rng.random() < 0.15:
            case.lines.append("m4_define([pkg_bugs], [%s])" % bugs)
            arguments.append("pkg_bugs")
        else:
            arguments.append("[" + bugs + "]")
    if count >= 4:
        arguments.append(quote(rng.choice(TARNAMES), rng))
    if count >= 5:
        arguments.append(quote(rng.choice(URLS), rng))
    separator = rng.choice([", ", ",", ",\n  "])
    case.name = arguments[0]
    case.lines.append("AC_INIT(" + separator.join(arguments) + ")")


MACRO_DEFINITIONS = [
    ("m4_define([NAME], [15:0:15])", False),
    ("m4_define([NAME], [[1:2:3]])", False),
    ("m4_define([NAME], [m4_eval(2 + 3)])", False),
    ("m4_define([part], [7])m4_define([NAME], [part:0:part])", False),
    ("m4_define([NAME], [-DEV])", False),
    ("m4_define([NAME], [$1x])", False),
    ("m4_define([NAME], [a])m4_define([NAME], m4_defn([NAME])[b])", False),
    ("m4_pushdef([NAME], [1])m4_pushdef([NAME], [2])m4_popdef([NAME])",
     False),
    ("m4_define([NAME], [m4_esyscmd([echo 3])])", True),
    ("AC_DEFUN([NAME], [4])", True),
]


def macro_lines(case, rng, index):
    name = "m4val_%d" % index
    definition, refused = rng.choice(MACRO_DEFINITIONS)
    case.lines.append(definition.replace("NAME", name))
    case.macros.append((name, refused))


# Shell assignments: (lines, trap). NAME is the variable; OTHER one set
# before it.
SHELL_FORMS = [
    (["NAME=8"], False),
    (["NAME='a b'"], False),
    (["NAME=\"x-$OTHER\""], False),
    (["NAME=$OTHER:${OTHER}"], False),
    (["AC_SUBST([NAME], [43])"], False),
    (["AC_SUBST(NAME, 5:0:1)"], False),
    (["NAME=  # nothing"], False),
    (["NAME=1; true"], False),
    (["# NAME=0 in a comment", "NAME=2"], False),
    (["if test -n \"$x\"; then", "  NAME=1", "fi"], True),
    (["AS_IF([test -n \"$x\"], [NAME=1])"], True),
    (["AS_IF([test -n \"$x\"],", "[NAME=1])"], True),
    (["case $host in", "  *) NAME=1 ;;", "esac"], True),
    (["set_it() {", "  NAME=1", "}", "set_it"], True),
    (["NAME=1", "NAME=2"], True),
    (["echo $NAME", "NAME=3"], True),
    (["NAME=$(echo 4)"], True),
    (["NAME=`echo 4`"], True),
    (["NAME=$((2 + 2))"], True),
    (["NAME=1", "AC_SUBST([NAME], [2])"], True),
    (["NAME=1 true"], True),
    (["NAME=*"], True),
    (["NAME=1", ": ${NAME=2}"], True),
    (["NAME=1", "test -n \"$x\" && NAME=2"], True),
    (["for i in 1 2; do", "NAME=$i", "done"], True),
    (["NAME=\"$UNSET_ONE\""], True),
    (["NAME=a'b c'd"], False),
    (["NAME=\"$OTHER\"'x y'${OTHER}"], False),
    (["AC_SUBST([NAME], [$OTHER])"], False),
    (["[NAME=5]"], False),
    (["NAME=1 dnl a comment", "true"], True),
    (["export NAME=1"], True),
    (["readonly NAME=1"], True),
    (["{ NAME=1; }"], True),
    (["( NAME=1 )"], True),
    (["NAME=1 &"], True),
    (["NAME=@<:@x@:>@"], True),
    (["m4_define([NAME], [x])", "NAME=1"], True),
    (["NAME=1", "AC_CHECK_PROG([NAME], [true], [2])"], True),
]


def shell_lines(case, rng, index):
    name = "VAR%d" % index
    other = "OTHER%d" % index
    lines, trap = rng.choice(SHELL_FORMS)
    if any("OTHER" in line for line in lines):
        case.lines.append("%s=%d" % (other, rng.randrange(100)))
    for line in lines:
        case.lines.append(line.replace("NAME", name).replace("OTHER", other))
    case.variables.append((name, trap))


def make_case(rng):
    case = Case()
    if rng.random() < 0.05:
        # AC_INIT does not define what the file defined before it.
        field = rng.choice(["NAME", "BUGREPORT", "TARNAME", "URL", "STRING"])
        case.lines.append("m4_define([AC_PACKAGE_%s], [mine])" % field)
    for i in range(rng.randrange(3)):
        macro_lines(case, rng, i)
    init_line(case, rng)
    case.fields = rng.sample(FIELDS, rng.randrange(1, len(FIELDS) + 1))
    for i in range(rng.randrange(4)):
        shell_lines(case, rng, i)
    return case


def template(case):
    lines = ["%s=@%s@" % (f, f) for f in FIELDS]
    lines += ["%s=@%s@" % (v, v) for v, _ in case.variables]
    return "".join(line + "\n" for line in lines)


def oracle(folder, case):
    """The configure script's values and the m4 values, or None."""
    with open(os.path.join(folder, "configure.ac"), "w") as f:
        f.write(case.text())
    with open(os.path.join(folder, "values.in"), "w") as f:
        f.write(template(case))
    # m4 values, printed where the AC_INIT call is read; a copy of the
    # file, so that the one genversion reads holds no such line.
    text = case.text()
    init_end = text.index("AC_INIT(")
    init_end = text.index(")\n", init_end) + 2
    prints = "".join("m4_errprintn([GVM4 %s=]%s)\n" % (m, m)
                     for m, _ in case.macros)
    probe = text[:init_end] + prints + text[init_end:]
    probe_folder = os.path.join(folder, "probe")
    os.makedirs(probe_folder)
    with open(os.path.join(probe_folder, "configure.ac"), "w") as f:
        f.write(probe)
    try:
        made = subprocess.run(["autoconf", "-o", "configure"], cwd=folder,
                              capture_output=True, timeout=30)
        probe_errors = b""
        if case.macros:
            probe_errors = subprocess.run(
                ["autoconf", "-o", "configure"], cwd=probe_folder,
                capture_output=True, timeout=30).stderr
    except subprocess.TimeoutExpired:
        return None
    if made.returncode != 0:
        return None
    macros = {}
    for line in probe_errors.decode("latin-1").splitlines():
        if line.startswith("GVM4 "):
            key, _, value = line[5:].partition("=")
            macros[key] = value
    run = subprocess.run(["./configure", "-q"], cwd=folder,
                         capture_output=True, timeout=60,
                         env=dict(os.environ, x=""))
    if run.returncode != 0:
        return None
    values = {}
    with open(os.path.join(folder, "values"), encoding="latin-1") as f:
        for line in f.read().split("\n"):
            key, _, value = line.partition("=")
            if key:
                values[key] = value
    return values, macros


def c_string(value):
    out = ""
    for byte in value.encode("latin-1"):
        c = chr(byte)
        if c in "\"\\":
            out += "\\" + c
        elif byte < 0x20 or byte >= 0x7F:
            out += "\\%03o" % byte
        else:
            out += c
    return out


def ask(genversion, case, path, option, name):
    run = subprocess.run([genversion, option, name, case.name, path],
                         capture_output=True, timeout=60)
    return run.returncode, run.stdout.decode("latin-1"), \
        run.stderr.decode("latin-1")


def check(genversion, work, index, case):
    folder = os.path.join(work, "case%04d" % index)
    os.makedirs(folder)
    result = oracle(folder, case)
    path = os.path.join(folder, "configure.ac")
    counts = {}
    problems = []

    def count(key):
        counts[key] = counts.get(key, 0) + 1

    asks = [("--get", f, False, "field") for f in case.fields]
    asks += [("--m4", m, refused, "m4") for m, refused in case.macros]
    asks += [("--get", v, trap, "trap" if trap else "shell")
             for v, trap in case.variables]
    for option, name, must_refuse, kind in asks:
        status, out, err = ask(genversion, case, path, option, name)
        if result is None:
            if status == 0:
                problems.append("%s %s: status 0 with %r where Autoconf or "
                                "configure fails" % (option, name, out))
            count(kind + " refused")
            continue
        values, macros = result
        want = macros.get(name) if option == "--m4" else values.get(name)
        if name == "PACKAGE_VERSION" and want is not None:
            want = re.sub(r"[^A-Za-z0-9._-]", "", want)
            if not want:
                want = None
        if status == 0:
            if want is None or out != '#define %s "%s"\n' % (name,
                                                             c_string(want)):
                problems.append("%s %s: status 0 with %r, configure %r" %
                                (option, name, out, want))
            elif must_refuse:
                problems.append("%s %s: a trap given: %r" % (option, name,
                                                             out))
            else:
                count(kind + " given")
        elif not err.startswith("Error: "):
            problems.append("%s %s: status %d with %r" % (option, name,
                                                          status, err))
        else:
            count(kind + " refused")
    shutil.rmtree(folder)
    return counts, problems


def main():
    genversion, work = sys.argv[1:3]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 200
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 20261210)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    cases = [make_case(rng) for _ in range(count)]
    totals = {}
    failures = []
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        results = pool.map(lambda item: check(genversion, work, *item),
                           enumerate(cases))
        for index, (counts, problems) in enumerate(results):
            for key, value in counts.items():
                totals[key] = totals.get(key, 0) + value
            for problem in problems:
                failures.append((index, problem))
    for index, problem in failures[:12]:
        print("case %d: %s\n--- configure.ac:\n%s" %
              (index, problem, cases[index].text()))
    print("%d files; values asked: %s; %d wrong" %
          (count, ", ".join("%s %d" % item for item in sorted(totals.items())),
           len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
