#!/usr/bin/env python3
"""Writes a large configure.ac-like input that holds no AC_INIT call of the
benchmarked library, [libbench]. The same arguments give the same bytes.

  real:      real configure.ac files (those in --from), one after another,
             as often as it takes: their own m4 definitions and AC_INIT
             calls of other libraries at their real density;
  synthetic: ordinary Autoconf lines, a few AC_INIT lines of other
             libraries in every MiB;
  dense:     the same lines with another library's AC_INIT call every
             dozen lines, and m4 definitions among them.
"""
import argparse
import os
import random

LINES = [
    "dnl Process this file with autoconf to produce a configure script.",
    "AC_PREREQ([2.69])",
    "AC_CONFIG_SRCDIR([src/main.c])",
    "AC_CONFIG_HEADERS([config.h])",
    "AC_CONFIG_MACRO_DIR([m4])",
    "AM_INIT_AUTOMAKE([foreign subdir-objects -Wall])",
    "LT_INIT",
    "AC_PROG_CC",
    "AC_PROG_INSTALL",
    "AC_CHECK_HEADERS([stdlib.h string.h unistd.h])",
    "AC_CHECK_FUNCS([memset strchr strdup])",
    "AC_CHECK_LIB([m], [cos])",
    'AC_ARG_ENABLE([debug], AS_HELP_STRING([--enable-debug], [build with debugging]))',
    'if test "x$enable_debug" = "xyes"; then',
    '  CFLAGS="$CFLAGS -g -O0"',
    "fi",
    "AC_DEFINE([HAVE_FEATURE], [1], [Define if the feature is there.])",
    "AC_SUBST([LIBBENCH_LT_VERSION])",
    "PKG_CHECK_MODULES([ZLIB], [zlib >= 1.2])",
    "AC_CONFIG_FILES([Makefile src/Makefile])",
    "AC_OUTPUT",
    "",
    "\tAC_MSG_CHECKING([for a working compiler])",
]

# AC_INIT lines of other libraries (or of this one, written otherwise).
OTHER_AC_INIT = [
    "AC_INIT([libother], [1.2.3], [bugs@example.org])",
    "AC_INIT([libbenchmark], [2.0])",
    "  AC_INIT(libbench, 3.0)",
    "dnl AC_INIT([libbench], [4.0])",
]

DEFINITIONS = [
    "m4_define([other_major], [1])",
    "m4_define([other_version], [other_major.2])",
    "define([OTHER_VERSION], [3.4])",
]


def one_mib(kind, rng):
    """A block of about 1 MiB of lines, repeated to make the input."""
    block = []
    length = 0
    while length < 1 << 20:
        if kind == "dense":
            pool = (OTHER_AC_INIT if len(block) % 12 == 0
                    else DEFINITIONS if len(block) % 12 == 6 else LINES)
        else:
            pool = OTHER_AC_INIT if rng.random() < 0.0002 else LINES
        line = rng.choice(pool) + "\n"
        block.append(line)
        length += len(line)
    return "".join(block).encode()


def real_files(folder):
    data = b""
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            text = f.read()
        data += text if text.endswith(b"\n") else text + b"\n"
    if b"[libbench]" in data:
        raise SystemExit("make_input.py: the real files name [libbench]")
    return data


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("output", help="the file to write")
    parser.add_argument("size_mib", type=int, nargs="?", default=256)
    parser.add_argument("--kind", choices=["real", "synthetic", "dense"],
                        default="synthetic")
    parser.add_argument("--from", dest="folder",
                        help="folder of real configure.ac files (--kind real)")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.kind == "real":
        if not args.folder:
            parser.error("--kind real needs --from FOLDER")
        data = real_files(args.folder)
    else:
        data = one_mib(args.kind, random.Random(args.seed))
    size = args.size_mib << 20
    with open(args.output, "wb") as out:
        written = 0
        while written < size:
            out.write(data[:size - written])
            written += min(len(data), size - written)


if __name__ == "__main__":
    main()
