#!/usr/bin/env python3
"""Differential test of genversion against Autoconf itself.

Generates configure.ac files from the ways real files make their version:
literal AC_INIT calls, definitions, Bitcoin-style and GNOME-style blocks,
macros with parameters, every builtin the tool evaluates (with empty,
missing and extra arguments), nesting, quoting variants and calls spread
over lines; and from ways only Autoconf can compute (shell commands, other
files, changequote, AC_DEFUN, regular expressions). Runs Debian's autoconf
on each, in a fresh folder, takes PACKAGE_VERSION from the generated
configure, and checks genversion against it:
  - status 0 must give Autoconf's version, filtered to letters, digits,
    '.', '_' and '-': never another, and never one where Autoconf fails;
  - a deterministic file (one that needs no shell and no other file) must
    give that version (or, where it filters to nothing, not-found);
  - any other file must give it or refuse.

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
WORDS = ["a", "b", "abc", "x y", "", " ", "1", "0", "22", "-3", "v", "beta",
         "rc1", "a,b", "(p)", "dev"]


# What the tool leaves to Autoconf even without a shell or another file:
# m4_format's other conversions, __file__ and __line__, and comments.
LEFT_TO_AUTOCONF = re.compile(r"%[-+ 0-9.]*[cxXoueEfgG]|__file__|__line__|#")


class Case:
    def __init__(self, name, deterministic):
        self.name = name                  # AC_INIT's first argument
        self.deterministic = deterministic
        self.lines = []

    def text(self):
        return "".join(line + "\n" for line in self.lines)


def q(text, rng):
    """Quoted, or bare where bare reads the same to m4."""
    bare_ok = re.fullmatch(r"[0-9.]*", text) is not None
    return text if bare_ok and rng.random() < 0.4 else "[" + text + "]"


def init_call(rng, name, version_text):
    bugs = rng.choice(["", ", [bugs@example.org]",
                       ",[bugs@example.org],[tarname]"])
    form = rng.randrange(6)
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


def define_line(rng, name, value):
    """A definition in one of the ways files write them."""
    define = rng.choice(["m4_define", "define", "m4_define", "m4_pushdef"])
    quoted_name = rng.choice(["[%s]" % name, name]) if define == "define" \
        else "[%s]" % name
    form = rng.randrange(4)
    if form == 0:
        return "%s(%s, %s)" % (define, quoted_name, value)
    if form == 1:
        return "%s(%s,\n  %s)" % (define, quoted_name, value)
    if form == 2:
        return "%s(\n    %s,\n    %s)dnl" % (define, quoted_name, value)
    return "%s(%s, %s) # the %s" % (define, quoted_name, value, name)


def literal_case(rng):
    name = rng.choice(["[libfoo]", "libfoo", "[foo-bar]"])
    case = Case(name, True)
    case.lines.append("dnl A generated configure.ac")
    pieces = re.split(r"(\.)", rng.choice(VERSIONS))
    style = rng.randrange(4)
    if style == 0:
        case.lines.append(init_call(rng, name, q("".join(pieces), rng)))
        return case
    names = []
    for i, piece in enumerate(pieces):
        if piece == ".":
            names.append(None)
            continue
        macro = "v_part%d" % i
        names.append(macro)
        case.lines.append(define_line(rng, macro, q(piece, rng)))
        if rng.random() < 0.1:
            case.lines.append("dnl m4_define([%s], [98])" % macro)
    parts = []
    for macro in names:
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
        case.lines.append(define_line(rng, "v_full", "[%s]" % whole))
        case.lines.append(init_call(rng, name, rng.choice(["[v_full]",
                                                           "v_full"])))
    else:
        case.lines.append("m4_define([v_full], %s)" %
                          whole.replace(".", "[.]"))
        case.lines.append(init_call(rng, name, "[v_full]"))
    return case


def bitcoin_case(rng):
    """define(_CLIENT_VERSION_...) and a computed AC_INIT, with variants."""
    case = Case("[Foo Core]", True)
    major, minor, build = rng.randrange(30), rng.randrange(30), rng.randrange(9)
    rc = rng.choice([0, 0, 1, 3])
    is_release = rng.choice(["true", "false"])
    for macro, value in [("MAJOR", major), ("MINOR", minor), ("BUILD", build),
                         ("RC", rc)]:
        case.lines.append("define(_CLIENT_VERSION_%s, %d)" % (macro, value))
    case.lines.append("define(_CLIENT_VERSION_IS_RELEASE, %s)" % is_release)
    case.lines.append("define(_COPYRIGHT_YEAR, 2026)")
    case.lines.append("AC_PREREQ([2.69])")
    joined = "m4_join([.], _CLIENT_VERSION_MAJOR, _CLIENT_VERSION_MINOR, " \
             "_CLIENT_VERSION_BUILD)"
    variant = rng.randrange(5)
    if variant == 0:
        suffix = "m4_if(_CLIENT_VERSION_RC, [0], [], [rc]_CLIENT_VERSION_RC)"
    elif variant == 1:
        suffix = "m4_if(m4_eval(_CLIENT_VERSION_RC > 0), [1], " \
                 "[rc]_CLIENT_VERSION_RC)"
    elif variant == 2:
        case.lines.append("define([suffix], [m4_if($1, [0], [], [-rc$1])])")
        suffix = "suffix(_CLIENT_VERSION_RC)"
    elif variant == 3:
        suffix = "m4_if(_CLIENT_VERSION_IS_RELEASE, [true], [], " \
                 "[.m4_incr(_CLIENT_VERSION_BUILD)-dev])"
    else:
        joined = "_CLIENT_VERSION_MAJOR._CLIENT_VERSION_MINOR." \
                 "_CLIENT_VERSION_BUILD"
        suffix = "m4_if(_CLIENT_VERSION_RC, [0], , [rc]_CLIENT_VERSION_RC)"
    case.lines.append("AC_INIT([Foo Core],%s%s,[https://example.org/issues],"
                      "[foo])" % (joined, suffix))
    return case


def gnome_case(rng):
    """Stable or development numbers picked with m4_if and m4_eval."""
    case = Case("[libgnome]", True)
    major, minor, micro = rng.randrange(4), rng.randrange(60), rng.randrange(9)
    nano = rng.choice([0, 0, 1])
    case.lines.append("m4_define([g_major_version], [%d])" % major)
    case.lines.append("m4_define([g_minor_version], [%d])" % minor)
    case.lines.append("m4_define([g_micro_version], [%d])" % micro)
    case.lines.append("m4_define([g_nano_version], [%d])" % nano)
    variant = rng.randrange(5)
    if variant == 0:
        case.lines.append("m4_define([g_version],\n"
                          "          [g_major_version.g_minor_version."
                          "g_micro_version])")
        case.lines.append("m4_define([g_interface_age], "
                          "m4_if(m4_eval(g_minor_version % 2), [1], [0], "
                          "[g_micro_version]))")
        version = "[g_version]"
    elif variant == 1:
        case.lines.append("m4_define([g_base], "
                          "[g_major_version.g_minor_version.g_micro_version])")
        case.lines.append("m4_define([g_version], m4_if(g_nano_version, 0, "
                          "[g_base], [g_base.g_nano_version]))")
        version = "g_version"
    elif variant == 2:
        case.lines.append("m4_define([g_version], m4_format([%d.%02d.%d], "
                          "g_major_version, g_minor_version, "
                          "g_micro_version))")
        version = "[g_version]"
    elif variant == 3:
        case.lines.append("m4_define([concat], $1$2$3$4$5)")
        case.lines.append("m4_define([g_version], concat(g_major_version, "
                          "[.], g_minor_version, [.], g_micro_version))")
        version = "[g_version]"
    else:
        case.lines.append("m4_ifndef([g_version], [m4_define([g_version], "
                          "[g_major_version.g_minor_version])])")
        case.lines.append("m4_append([g_version], [g_micro_version], [.])")
        version = "[g_version]"
    if rng.random() < 0.3:
        case.lines.append("m4_ifndef([AC_PACKAGE_URL], "
                          "[m4_define([AC_PACKAGE_URL], "
                          "[https://example.org/])])")
    case.lines.append(init_call(rng, case.name, version))
    return case


def word(rng):
    return rng.choice(WORDS + ["%d" % rng.randrange(-5, 40)])


def argument(rng, depth):
    """One argument: a literal in some quoting, or an expression."""
    if depth < 3 and rng.random() < 0.3:
        return expression(rng, depth + 1)
    text = word(rng)
    form = rng.randrange(5)
    if form == 0:
        return "[" + text + "]"
    if form == 1 and re.fullmatch(r"[A-Za-z0-9 -]*", text):
        return text
    if form == 2:
        return "[[" + text + "]]"
    if form == 3:
        return " [" + text + "] "
    return "[" + text + "]"


def call(rng, name, count, depth):
    return "%s(%s)" % (name, ", ".join(argument(rng, depth)
                                      for _ in range(count)))


def expression(rng, depth=0):
    """A random use of one of the builtins the tool evaluates."""
    a = lambda: argument(rng, depth)
    n = lambda: rng.choice(["%d" % rng.randrange(-9, 99), "[%d]" %
                            rng.randrange(0, 12), "0x1F", "017", "0b101",
                            "0r36:z", "2**10", "-2**2", "7/2", "-7%3",
                            "1<<3", "5>2 && 3", "!0 || 0", "~5 & 0xff",
                            "6^3|8", "(1+2)*3", "1/0", "", "x", "1=1",
                            "2147483647+1", "9999999999"])
    choice = rng.randrange(36)
    if choice == 0:
        return call(rng, "m4_if", rng.choice([1, 2, 3, 4, 5, 6, 7]), depth)
    if choice == 1:
        return "m4_if(%s, %s, %s, %s)" % (a(), a(), a(), a())
    if choice == 2:
        radix = rng.choice(["", ", 16", ", 2, 8", ", 36", ", 10, 3", ", 1",
                            ", 37"])
        return "m4_eval(%s%s)" % (n(), radix)
    if choice == 3:
        return "m4_%s(%s)" % (rng.choice(["incr", "decr"]), n())
    if choice == 4:
        return "m4_%s([%s], %s, %s)" % (rng.choice(["ifdef", "ifndef"]),
                                       rng.choice(["v_a", "v_undef", "m4_if",
                                                   "AC_PACKAGE_URL"]), a(),
                                       a())
    if choice == 5:
        return call(rng, rng.choice(["m4_ifval", "m4_ifblank", "m4_ifnblank",
                                     "m4_default"]), rng.randrange(1, 4),
                    depth)
    if choice == 6:
        return "m4_ifset([%s], %s, %s)" % (rng.choice(["v_a", "v_empty",
                                                       "v_undef"]), a(), a())
    if choice == 7:
        return call(rng, "m4_case", rng.randrange(1, 7), depth)
    if choice == 8:
        return call(rng, rng.choice(["m4_join", "m4_joinall"]),
                    rng.randrange(1, 6), depth)
    if choice == 9:
        return "m4_quote(m4_shift(%s, %s, %s))" % (a(), a(), a())
    if choice == 10:
        return "m4_%s([%s])" % (rng.choice(["normalize", "strip", "flatten"]),
                               rng.choice(["  a  b ", "a\n  b", "x\\\ny",
                                           "\t1.0 ", "", "v_a . v_a"]))
    if choice == 11:
        return "m4_substr(%s, %s%s)" % (a(), rng.choice(["0", "1", "2", "-1",
                                                         "9", "", " 1"]),
                                        rng.choice(["", ", 2", ", 0", ", -1",
                                                    ", 9"]))
    if choice == 12:
        return "m4_%s(%s)" % (rng.choice(["len", "index"]),
                              ", ".join(a() for _ in
                                        range(rng.randrange(1, 4))))
    if choice == 13:
        return "m4_translit(%s, %s%s)" % (
            a(), rng.choice(["[a-z]", "[a-c]", "[z-a]", "[-]", "[a-]",
                             "[ ]", "[.]"]),
            rng.choice(["", ", [A-Z]", ", [x]", ", [_]", ", [1-3]"]))
    if choice == 14:
        fmt = rng.choice(["[%s]", "[%d]", "[%5d|%-3s]", "[%03d]", "[%+d]",
                          "[% d]", "[%.2s]", "[%d.%d]", "[%%%s]", "[%x]",
                          "[%c]", "[%5]", "[%-05d]"])
        return "m4_format(%s%s)" % (fmt, "".join(", " + rng.choice(
            ["1", "[-2]", "abc", "[]", "12345", "x"]) for _ in
            range(rng.randrange(0, 3))))
    if choice == 15:
        return call(rng, rng.choice(["m4_quote", "m4_dquote"]),
                    rng.randrange(0, 4), depth)
    if choice == 16:
        return "m4_defn([%s])" % rng.choice(["v_a", "v_empty", "v_undef",
                                             "v_param"])
    if choice == 17:
        return "v_param(%s, %s)" % (a(), a())
    if choice == 18:
        return rng.choice(["v_a", "v_a()", "v_empty", "[v_a]", "v_param",
                           "v_count(1, 2, 3)", "v_all(x, [y])",
                           "v_quote(x, [y])"])
    if choice == 19:
        return "%s(%s, %s)" % (rng.choice(["ifelse", "ifdef"]), a(), a())
    if choice == 20:
        return "%s(%s)" % (rng.choice(["incr", "decr", "len"]), n())
    if choice == 21:
        return "%s(%s, %s)" % (rng.choice(["index", "translit", "substr"]),
                               a(), a())
    if choice == 22:
        return rng.choice(["eval(1+1)", "format([%d], 5)", "shift(a, b)",
                           "substr([abc], 1)"])
    if choice == 23:
        return "m4_define([v_t], %s)v_t" % a()
    if choice == 24:
        return rng.choice(["m4_pushdef([v_a], [p])v_a[]m4_popdef([v_a])v_a",
                           "m4_undefine([v_a])v_a", "m4_popdef([v_undef])",
                           "m4_undefine([v_undef])"])
    if choice == 25:
        return "m4_append_uniq([v_list], %s, [,], [u], [d])m4_defn([v_list])" \
            % a()
    if choice == 26:
        return rng.choice(["m4_copy([v_a], [v_c])v_c", "m4_copy([v_a], "
                           "[v_empty])", "m4_rename([v_a], [v_r])v_r",
                           "m4_rename([v_undef], [v_r])",
                           "m4_copy([m4_len], [v_l])v_l([abc])"])
    if choice == 27:
        return rng.choice(["dnl", "m4_dnl", "__file__", "[#]x", "# c\n"])
    if choice == 28:
        return "m4_define_default([v_a], [new])m4_define_default([v_d], " \
               "[new])v_a.v_d"
    if choice == 29:
        return rng.choice(["@&t@", "a@&t@b", "@<:@x@:>@", "m4_if"])
    if choice == 30:
        return "m4_%s" % rng.choice(["ifval", "default", "quote", "join",
                                     "case", "ifndef", "normalize", "defn",
                                     "undefine"])
    if choice == 31:
        return "m4_joinall([.], %s)" % ", ".join(a() for _ in
                                                 range(rng.randrange(0, 4)))
    if choice == 32:
        return "v_rec(%d)" % rng.randrange(0, 6)
    if choice == 33:
        return "m4_ifdef([v_a], [v_a], [none])"
    if choice == 34:
        return "m4_eval(%s %s %s)" % (n(), rng.choice(["+", "*", "-", "/",
                                                       "%", "**", "==",
                                                       "<", ">=", "<<",
                                                       ">>", "&", "|"]), n())
    return "m4_index([%s], [%s])" % (word(rng), word(rng))


def prologue(rng):
    """The definitions the random expressions use."""
    lines = ["m4_define([v_a], [1.5])", "m4_define([v_empty], [])",
             "m4_define([v_param], [$1-$2])", "m4_define([v_count], [$#])",
             "m4_define([v_all], [<$*|$@>])", "m4_define([v_quote], [[$1]])",
             "m4_define([v_rec], [m4_if([$1], [0], [done], "
             "[$0(m4_decr($1))])])"]
    rng.shuffle(lines)
    return lines


def builtin_case(rng):
    case = Case(rng.choice(["[libfoo]", "libfoo"]), True)
    case.lines.extend(prologue(rng))
    where = rng.randrange(3)
    expr = expression(rng)
    if where == 0:
        case.lines.append(init_call(rng, case.name, "[1.]" + expr))
    elif where == 1:
        case.lines.append(init_call(rng, case.name, "[1.%s]" % expr))
    else:
        case.lines.append("m4_define([v_full], %s)" % expr)
        case.lines.append(init_call(rng, case.name,
                                    rng.choice(["[v_full]", "v_full",
                                                "[2.v_full]"])))
    return case


def shell_case(rng):
    """A file whose version may need Autoconf: the tool may refuse it."""
    case = literal_case(rng) if rng.random() < 0.5 else builtin_case(rng)
    case.deterministic = False
    init = case.lines.pop()
    kind = rng.randrange(10)
    if kind == 0:
        case.lines.append("m4_define([v_full], m4_esyscmd([echo 5.6.7]))")
    elif kind == 1:
        case.lines.append("m4_define([v_full], [m4_esyscmd_s([echo 8])])")
    elif kind == 2:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("AC_DEFUN([v_full], [3.0])")
    elif kind == 3:
        case.lines.append("m4_define([v_full], "
                          "m4_bpatsubst([1-2-3], [-], [.]))")
    elif kind == 4:
        case.lines.append(rng.choice([
            "m4_define([AC_PACKAGE_VERSION], [9.9])",
            "m4_pushdef([AC_PACKAGE_VERSION], [8.8])",
            "m4_define([m4_normalize], [5.5])"]))
    elif kind == 5:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("m4_copy_force([v_a], [v_full])")
    elif kind == 6:
        case.lines.append("m4_define([v_set], [m4_define([v_full], [6.0])])")
        case.lines.append("v_set")
    elif kind == 7:
        case.lines.append("changequote(<, >)define(<v_full>, <7.0>)"
                          "changequote([, ])")
    elif kind == 8:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("m4_sinclude([version.m4])")
    else:
        case.lines.append("m4_define([v_full], [1.0])")
        case.lines.append("m4_define([m4_mine], [x])")
    case.lines.append(init)
    return case


def make_case(rng, index):
    kind = index % 8
    if kind in (0, 1):
        return literal_case(rng)
    if kind == 2:
        return bitcoin_case(rng)
    if kind == 3:
        return gnome_case(rng)
    if kind == 4:
        return shell_case(rng)
    return builtin_case(rng)


def autoconf_version(folder):
    """PACKAGE_VERSION from the configure Autoconf makes, or None."""
    try:
        # A definition that expands itself for ever keeps m4 busy until
        # its memory runs out: that is a failure too.
        result = subprocess.run(["autoconf", "-o", "configure"], cwd=folder,
                                stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, timeout=20)
    except subprocess.TimeoutExpired:
        return None
    if result.returncode != 0:
        return None
    with open(os.path.join(folder, "configure"), encoding="latin-1") as f:
        for line in f:
            if line.startswith("PACKAGE_VERSION='"):
                return line.rstrip("\n")[len("PACKAGE_VERSION='"):-1]
    return None


def check(genversion, work, index, case):
    folder = os.path.join(work, "case%04d" % index)
    os.makedirs(folder)
    path = os.path.join(folder, "configure.ac")
    with open(path, "w") as f:
        f.write(case.text())
    expected = autoconf_version(folder)
    run = subprocess.run([genversion, case.name, path], capture_output=True,
                         timeout=60)
    out = run.stdout.decode("latin-1")
    err = run.stderr.decode("latin-1")
    shutil.rmtree(folder)
    refused = err.startswith(
        "Error: Version string could not be resolved!\n%s:" % path)
    if expected is None:
        if run.returncode == 0:
            return "wrong", "status 0 with %r where Autoconf fails" % out
        return "autoconf-fails", None
    want = re.sub(r"[^A-Za-z0-9._-]", "", expected)
    if run.returncode == 0:
        if out == '#define PACKAGE_VERSION "%s"\n' % want:
            return "same", None
        return "wrong", "status 0 with %r, Autoconf %r" % (out, expected)
    if not want and err == "Error: Version string could not be found!\n\n":
        return "same", None
    if refused:
        if case.deterministic and not LEFT_TO_AUTOCONF.search(case.text()):
            return "unresolved", "refused %r, Autoconf %r" % (err, expected)
        return "refused", None
    return "wrong", "status %d with %r, Autoconf %r" % (run.returncode, err,
                                                        expected)


def main():
    genversion, work = sys.argv[1:3]
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 300
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 20261209)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    cases = [make_case(rng, i) for i in range(count)]
    counts = {"same": 0, "refused": 0, "autoconf-fails": 0, "unresolved": 0,
              "wrong": 0}
    failures = []
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        results = pool.map(lambda item: check(genversion, work, *item),
                           enumerate(cases))
        for index, (outcome, detail) in enumerate(results):
            counts[outcome] += 1
            if detail:
                failures.append((index, outcome, detail))
    for index, outcome, detail in failures[:12]:
        print("case %d (%s): %s\n--- configure.ac:\n%s" %
              (index, outcome, detail, cases[index].text()))
    print("%d files: %d give Autoconf's version, %d refused (shell or other "
          "file), %d refused where Autoconf fails, %d deterministic but "
          "refused, %d wrong" % (count, counts["same"], counts["refused"],
                                 counts["autoconf-fails"],
                                 counts["unresolved"], counts["wrong"]))
    failed = counts["wrong"] + counts["unresolved"]
    print("%d passed, %d failed" % (count - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
