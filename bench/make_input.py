#!/usr/bin/env python3
"""Writes a large configure.ac-like file that holds no AC_INIT line of the
benchmarked library, [libbench]: ordinary Autoconf lines, with AC_INIT lines
of other libraries among them. The same seed and size give the same bytes.

usage: make_input.py OUTPUT [SIZE_MIB] [SEED]
"""
import random
import sys

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

# AC_INIT lines of other libraries (or of this one, written otherwise):
# several in every MiB, none of them a match for [libbench].
OTHER_AC_INIT = [
    "AC_INIT([libother], [1.2.3], [bugs@example.org])",
    "AC_INIT([libbenchmark], [2.0])",
    "  AC_INIT(libbench, 3.0)",
    "dnl AC_INIT([libbench], [4.0])",
]


def main():
    output = sys.argv[1]
    size = int(sys.argv[2]) if len(sys.argv) > 2 else 256
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 1)
    # A 1 MiB block of random lines, repeated: fast to write, same bytes
    # every time.
    block = []
    length = 0
    while length < 1 << 20:
        pool = OTHER_AC_INIT if rng.random() < 0.0002 else LINES
        line = rng.choice(pool) + "\n"
        block.append(line)
        length += len(line)
    data = "".join(block).encode()
    with open(output, "wb") as out:
        for _ in range(size):
            out.write(data)


if __name__ == "__main__":
    main()
