#!/usr/bin/env bash
# Measures genversion side by side with its peers and prints a table of
# medians and ratios, then one line per goal. Needs hyperfine, valgrind,
# autoconf, python3 and a C compiler (see README, Performance).
#   bench/run.sh [SIZE_MIB [REAL_FILES]]     (default 256)
# The large input is made of the real configure.ac files in the folder
# REAL_FILES (default: ../shared/realworld/files beside the checkout, where
# there is one), or of synthetic Autoconf lines where there is none. The
# dense input has another library's AC_INIT call every dozen lines.
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-256}
real=${2:-../shared/realworld/files}
build=build-bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target genversion >/dev/null
gv=$PWD/$build/genversion
cc -O2 -static -o "$work/noop" bench/noop.c
cc -O2 -static -o "$work/peak_rss" bench/peak_rss.c

small=$work/configure.ac            # 8 lines, AC_INIT on line 3
cp examples/configure.ac "$small"
large=$work/large.ac
if [ -d "$real" ]; then
  python3 bench/make_input.py "$large" "$size" --kind real --from "$real"
  echo "Large input: real configure.ac files from $real"
else
  python3 bench/make_input.py "$large" "$size" --kind synthetic
  echo "Large input: synthetic ($real not found)"
fi
dense=$work/dense.ac
python3 bench/make_input.py "$dense" "$size" --kind dense
cat "$large" "$dense" >/dev/null     # into the page cache

sed_small="s/^AC_INIT(\[libfoo\], *\[\([^]]*\)\].*/\1/p"
sed_large="s/^AC_INIT(\[libbench\], *\[\([^]]*\)\].*/\1/p"

time_commands() {  # NAME RUNS CMD...: hyperfine medians into $work/NAME.json
  local name=$1 runs=$2; shift 2
  # Output to a pipe: GNU grep stops at its first match when it writes to
  # /dev/null.
  hyperfine -N -i --output=pipe --warmup 3 --runs "$runs" \
    --export-json "$work/$name.json" \
    "$@" >/dev/null 2>&1
}
time_commands small 200 \
  "$gv [libfoo] $small" \
  "grep -m1 -F AC_INIT([libfoo], $small" \
  "sed -n '$sed_small' $small" \
  "$work/noop"
(cd "$work" && time_commands autoconf 20 "autoconf --trace=AC_INIT:\$2 $small")
time_commands large 15 \
  "$gv [libbench] $large" \
  "grep -c -F AC_INIT([libbench], $large" \
  "grep -m1 -F AC_INIT([libbench], $large" \
  "sed -n '$sed_large' $large" \
  "wc -l $large" \
  "cat $large"
time_commands dense 15 \
  "$gv [libbench] $dense" \
  "grep -c -F AC_INIT([libbench], $dense" \
  "wc -l $dense"

instructions() {  # CMD...: instructions the whole process executes
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p'
}
{
  echo "genversion $(instructions "$gv" '[libfoo]' "$small")"
  echo "noop $(instructions "$work/noop")"
  echo "grep $(instructions grep -m1 -F 'AC_INIT([libfoo],' "$small")"
  echo "sed $(instructions sed -n "$sed_small" "$small")"
} >"$work/instructions.txt"

python3 - "$work" "$gv" "$small" "$large" "$dense" <<'PY'
import json, os, subprocess, sys
work, gv, small, large, dense = sys.argv[1:6]

def medians(name):
    with open(os.path.join(work, name + ".json")) as f:
        return [(r["command"], r["median"] * 1000) for r in json.load(f)["results"]]

def peak_kib(*command):
    run = subprocess.run([os.path.join(work, "peak_rss"), *command],
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True)
    return int(run.stderr.strip().splitlines()[-1])

short = lambda c: c.replace(work + "/", "").replace(gv, "genversion")
print("Wall time, median (ms), with ratio genversion / peer")
for group in ("small", "autoconf", "large", "dense"):
    rows = medians(group)
    if group == "autoconf":
        base = medians("small")[0][1]
    else:
        base = rows[0][1]
    for command, ms in rows:
        print(f"  {ms:9.2f}  x{base / ms:6.2f}  {short(command)}")
ins = dict(line.split() for line in open(os.path.join(work, "instructions.txt")))
ins = {k: int(v) for k, v in ins.items()}
print("Instructions (callgrind), whole process, small file")
for k in ("genversion", "noop", "grep", "sed"):
    print(f"  {ins[k]:12d}  x{ins[k] / ins['noop']:6.2f} of the static no-op  {k}")
rss = {"small": peak_kib(gv, "[libfoo]", small),
       "large": peak_kib(gv, "[libbench]", large),
       "dense": peak_kib(gv, "[libbench]", dense),
       "noop": peak_kib(os.path.join(work, "noop"))}
print("Peak resident memory (KiB)")
for k, v in rss.items():
    print(f"  {v:8d}  {k}")

def ratios(group):
    rows = dict(medians(group))
    gv_ms = medians(group)[0][1]
    wc = next(ms for c, ms in rows.items() if c.startswith("wc "))
    grep_c = next(ms for c, ms in rows.items() if c.startswith("grep -c"))
    return gv_ms, gv_ms / wc, gv_ms / grep_c

def goal(number, ok, text):
    print(f"Goal {number}: {'met' if ok else 'NOT MET'}: {text}")
r1 = ins["genversion"] / ins["noop"]
goal(1, r1 <= 1.2, f"start-up {r1:.2f}x the static no-op's instructions (limit 1.2x)")
ms, to_wc, to_grep = ratios("large")
goal(2, to_wc <= 1.5 and to_grep < 1,
     f"{ms:.1f} ms on the large file: {to_wc:.2f}x wc -l (limit 1.5x), "
     f"{to_grep:.2f}x grep -c (must be below 1x)")
ms, to_wc, _ = ratios("dense")
goal(3, to_wc <= 2.5,
     f"{ms:.1f} ms on the dense file: {to_wc:.2f}x wc -l (limit 2.5x)")
largest = max(rss["large"], rss["dense"])
d4 = largest - rss["small"]
r4 = rss["small"] / rss["noop"]
goal(4, d4 <= 0 and r4 <= 1.5,
     f"peak memory {rss['small']} KiB small, {rss['large']} KiB large, "
     f"{rss['dense']} KiB dense (large files may not need more), "
     f"{r4:.2f}x the no-op (limit 1.5x)")
PY
