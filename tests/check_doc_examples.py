#!/usr/bin/env python3
"""Builds the examples of the README and the man page as they stand, so
that they cannot drift from what works.

  - Makefile recipes: the header is right; an edit of configure.ac that
    keeps the version leaves the header untouched; a configure.ac without
    a version fails make, keeps the last good header and leaves no
    temporary file.
  - The whole replacement of a reader of configure.ac: the .pc file and
    the shared library's file names hold what configure.ac gives.
  - CMake snippets: the program prints the version, or, for those that
    take the version at configure time, project() and the variable hold
    it. FetchContent snippets run twice: with FIND_PACKAGE_ARGS finding the
    installed package offline, and, where the source is a git clone with a
    main branch, fetching that clone (their placeholder address replaced by
    its folder) with no installed genversion to find.
  - Meson: the README snippet and examples/meson/.

usage: check_doc_examples.py SOURCE_DIR GENVERSION_BUILD_DIR WORK_DIR
"""
import os
import re
import shutil
import subprocess
import sys

CONFIGURE_AC = "m4_define([foo_version], [4.5.6])\nAC_INIT([libfoo], [foo_version])\n"
MAIN_C = ('#include <stdio.h>\n#include "version.h"\n'
          'int main(void) { printf("app %s\\n", PACKAGE_VERSION); return 0; }\n')

failures = []


def run(command, cwd, env=None, may_fail=False):
    result = subprocess.run(command, cwd=cwd, env=env, capture_output=True,
                            text=True)
    if result.returncode != 0 and not may_fail:
        raise RuntimeError("%s failed (%d):\n%s%s" % (
            " ".join(command), result.returncode, result.stdout,
            result.stderr))
    return result


def readme_examples(source):
    """The fenced blocks after <!-- example: NAME --> markers."""
    with open(os.path.join(source, "README.md")) as f:
        text = f.read()
    pattern = re.compile(r"<!-- example: ([\w-]+) -->\n```\w*\n(.*?)```",
                         re.S)
    return [("README " + name, name, body)
            for name, body in pattern.findall(text)]


def man_examples(source):
    """The .EX blocks of the EXAMPLES section, as troff would print them."""
    with open(os.path.join(source, "doc", "genversion.1")) as f:
        text = f.read()
    section = text[text.index(".SH EXAMPLES"):]
    blocks = re.findall(r"\.EX\n(.*?)\.EE\n", section, re.S)
    examples = []
    for body in blocks:
        body = body.replace("\\(aq", "'").replace("\\-", "-").replace(
            "\\e", "\\")
        if body.startswith("version.h:"):
            kind = "make"
        elif body.startswith("$ genversion"):
            kind = "console"
        elif "genversion_get_version" in body:
            kind = "cmake-version-package"
        else:
            kind = "cmake-package"
        examples.append(("man page " + kind, kind, body))
    return examples


def new_project(work, name):
    folder = os.path.join(work, re.sub(r"[^\w]+", "-", name))
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    with open(os.path.join(folder, "configure.ac"), "w") as f:
        f.write(CONFIGURE_AC)
    with open(os.path.join(folder, "main.c"), "w") as f:
        f.write(MAIN_C)
    return folder


def check_make(folder, body, env):
    with open(os.path.join(folder, "Makefile"), "w") as f:
        f.write(body)
    header = os.path.join(folder, "version.h")
    run(["make"], folder, env)
    with open(header) as f:
        if f.read() != '#define PACKAGE_VERSION "4.5.6"\n':
            raise RuntimeError("version.h is wrong")
    before = os.stat(header).st_mtime_ns
    with open(os.path.join(folder, "configure.ac"), "a") as f:
        f.write("dnl an edit that keeps the version\n")
    os.utime(os.path.join(folder, "configure.ac"))
    run(["make"], folder, env)
    if os.stat(header).st_mtime_ns != before:
        raise RuntimeError("the same version rewrote version.h")
    with open(os.path.join(folder, "configure.ac"), "w") as f:
        f.write("AC_INIT([libfoo])\n")
    if run(["make"], folder, env, may_fail=True).returncode == 0:
        raise RuntimeError("make succeeded without a version")
    with open(header) as f:
        if f.read() != '#define PACKAGE_VERSION "4.5.6"\n':
            raise RuntimeError("a failure changed version.h")
    if os.path.exists(header + ".tmp"):
        raise RuntimeError("a failure left version.h.tmp behind")


PLACEHOLDER_ADDRESS = "https://example.invalid/genversion.git"
PROBE = ('file(WRITE "${CMAKE_BINARY_DIR}/version-seen" '
         '"${PROJECT_VERSION}|${FOO_VERSION}")\n')


def source_clone(source):
    """The source folder where it is a git clone with a main branch."""
    if shutil.which("git") is None:
        return None
    result = subprocess.run(["git", "-C", source, "rev-parse", "--verify",
                             "-q", "refs/heads/main"], capture_output=True)
    return source if result.returncode == 0 else None


def check_cmake(folder, kind, body, options, env):
    if "cmake_minimum_required" not in body:
        body = "cmake_minimum_required(VERSION 3.24)\nproject(app C)\n" + body
    at_configure = kind.startswith("cmake-version")
    with open(os.path.join(folder, "CMakeLists.txt"), "w") as f:
        f.write(body + (PROBE if at_configure else ""))
    build = os.path.join(folder, "build")
    shutil.rmtree(build, ignore_errors=True)
    run(["cmake", "-S", folder, "-B", build] + options, folder, env)
    if at_configure:
        with open(os.path.join(build, "version-seen")) as f:
            seen = f.read()
        if seen != "4.5.6|4.5.6":
            raise RuntimeError("project() and FOO_VERSION hold %r" % seen)
        return
    run(["cmake", "--build", build], folder, env)
    output = run([os.path.join(build, "app")], folder, env).stdout
    if output != "app 4.5.6\n":
        raise RuntimeError("the program printed %r" % output)


VALUES_CONFIGURE_AC = """AC_INIT([libfoo], [2.5.1], [foo-bugs@example.org])
LIB_CURRENT=8
LIB_REVISION=6
LIB_AGE=3
AC_SUBST([LIB_CURRENT])
AC_SUBST([LIB_REVISION])
AC_SUBST([LIB_AGE])
AC_CONFIG_FILES([foo.pc])
AC_OUTPUT
"""
VALUES_PC_IN = """prefix=@prefix@
Name: foo
Description: Foo (bugs to @PACKAGE_BUGREPORT@)
Version: @PACKAGE_VERSION@
Libs: -L${prefix}/lib -lfoo
"""


def check_values(folder, body, options, env):
    """The README's whole replacement of a regex reader: the version, the
    bug-report address and libtool's numbers, all from configure.ac."""
    for name, text in (("configure.ac", VALUES_CONFIGURE_AC),
                       ("foo.pc.in", VALUES_PC_IN), ("CMakeLists.txt", body),
                       ("foo.c", "int foo(void) { return 1; }\n")):
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)
    build = os.path.join(folder, "build")
    shutil.rmtree(build, ignore_errors=True)
    run(["cmake", "-S", folder, "-B", build] + options, folder, env)
    run(["cmake", "--build", build], folder, env)
    with open(os.path.join(build, "foo.pc")) as f:
        pc = f.read()
    if ("Version: 2.5.1\n" not in pc or
            "(bugs to foo-bugs@example.org)" not in pc):
        raise RuntimeError("foo.pc holds %r" % pc)
    files = sorted(f for f in os.listdir(build) if f.startswith("libfoo.so"))
    if files != ["libfoo.so", "libfoo.so.5", "libfoo.so.5.3.6"]:
        raise RuntimeError("the library's files are %r" % files)


OGG_CONFIGURE_AC = """AC_INIT([libogg],[1.3.6])
LIB_CURRENT=8
LIB_REVISION=6
LIB_AGE=8
AC_SUBST(LIB_CURRENT)
AC_SUBST(LIB_REVISION)
AC_SUBST(LIB_AGE)
"""


def check_console(folder, body, env):
    """A command and what it prints, run on a configure.ac like libogg's."""
    with open(os.path.join(folder, "configure.ac"), "w") as f:
        f.write(OGG_CONFIGURE_AC)
    lines = body.split("\n")
    command = lines[0][2:]
    rest = 1
    while command.endswith("\\"):
        command = command[:-1] + lines[rest]
        rest += 1
    expected = "\n".join(lines[rest:])
    output = run(["sh", "-c", command], folder, env).stdout
    if output != expected:
        raise RuntimeError("%s printed %r, not %r" % (command, output,
                                                      expected))


def check_cmake_routes(folder, kind, body, prefix, clone, env):
    if kind == "cmake-values":
        check_values(folder, body, ["-DCMAKE_PREFIX_PATH=" + prefix], env)
        return
    # FetchContent must find the installed package, never download.
    check_cmake(folder, kind, body, ["-DCMAKE_PREFIX_PATH=" + prefix,
                                     "-DFETCHCONTENT_FULLY_DISCONNECTED=ON"],
                env)
    if "FetchContent" not in body:
        return
    if clone is None:
        print("%s: not fetched, the source is no git clone with a main "
              "branch" % kind)
        return
    check_cmake(folder, kind, body.replace(PLACEHOLDER_ADDRESS, clone),
                ["-DCMAKE_DISABLE_FIND_PACKAGE_genversion=ON"], env)


def check_meson(folder, body, env, expected="app 4.5.6\n"):
    if not os.path.exists(os.path.join(folder, "meson.build")):
        with open(os.path.join(folder, "meson.build"), "w") as f:
            f.write("project('app', 'c')\n" + body)
    build = os.path.join(folder, "build")
    run(["meson", "setup", build], folder, env)
    run(["meson", "compile", "-C", build], folder, env)
    output = run([os.path.join(build, "app")], folder, env).stdout
    if output != expected:
        raise RuntimeError("the program printed %r" % output)


def main():
    source, build_dir, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    prefix = os.path.join(work, "prefix")
    run(["cmake", "--install", build_dir, "--prefix", prefix], work)
    env = dict(os.environ)
    env["PATH"] = os.path.join(prefix, "bin") + os.pathsep + env["PATH"]
    examples = readme_examples(source) + man_examples(source)
    names = {kind for _, kind, _ in examples}
    clone = source_clone(source)
    for wanted in ("make", "cmake-package", "cmake-fetchcontent",
                   "cmake-values",
                   "cmake-version-package", "cmake-version-fetchcontent",
                   "cmake-version-fetchcontent-314", "meson"):
        if wanted not in names:
            failures.append("no %s example found" % wanted)
    checked = 0
    for name, kind, body in examples:
        folder = new_project(work, name)
        try:
            if kind == "make":
                check_make(folder, body, env)
            elif kind == "console":
                check_console(folder, body, env)
            elif kind.startswith("cmake"):
                check_cmake_routes(folder, kind, body, prefix, clone, env)
            elif kind == "meson":
                if shutil.which("meson") is None:
                    print("%s: skipped, meson is not installed" % name)
                    continue
                check_meson(folder, body, env)
            checked += 1
            print("%s: ok" % name)
        except RuntimeError as error:
            failures.append("%s: %s" % (name, error))
    if shutil.which("meson") is not None:
        folder = os.path.join(work, "examples-meson")
        shutil.copytree(os.path.join(source, "examples", "meson"), folder)
        try:
            check_meson(folder, "", env, "app 3.1.0\n")
            checked += 1
            print("examples/meson: ok")
        except RuntimeError as error:
            failures.append("examples/meson: %s" % error)
    for failure in failures:
        print("FAILED " + failure)
    print("%d passed, %d failed" % (checked, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
