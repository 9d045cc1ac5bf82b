#!/usr/bin/env bash
# Measures genversion side by side with its peers and prints a table of
# medians and ratios, then one line per goal. Needs hyperfine, valgrind,
# autoconf, python3 and a C compiler (see README, Performance).
#   bench/run.sh [SIZE_MIB]      (default 256)
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-256}
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
python3 bench/make_input.py "$large" "$size"
cat "$large" >/dev/null              # into the page cache

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

python3 - "$work" "$gv" "$small" "$large" <<'PY'
import json, os, subprocess, sys
work, gv, small, large = sys.argv[1:5]

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
for group in ("small", "autoconf", "large"):
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
       "noop": peak_kib(os.path.join(work, "noop"))}
print("Peak resident memory (KiB)")
for k, v in rss.items():
    print(f"  {v:8d}  {k}")

large_rows = dict(medians("large"))
gv_large = medians("large")[0][1]
wc = next(ms for c, ms in large_rows.items() if c.startswith("wc "))
grep_c = next(ms for c, ms in large_rows.items() if c.startswith("grep -c"))
def goal(number, ok, text):
    print(f"Goal {number}: {'met' if ok else 'NOT MET'}: {text}")
r1 = ins["genversion"] / ins["noop"]
goal(1, r1 <= 1.5, f"start-up {r1:.2f}x the static no-op's instructions (limit 1.5x)")
r2 = gv_large / wc
goal(2, r2 <= 1.5 and gv_large < grep_c,
     f"{gv_large:.1f} ms on the large file: {r2:.2f}x wc -l (limit 1.5x), "
     f"{gv_large / grep_c:.2f}x grep -c (must be below 1x)")
d3 = abs(rss["large"] - rss["small"])
r3 = rss["small"] / rss["noop"]
goal(3, d3 <= 64 and r3 <= 1.5,
     f"peak memory {rss['small']} KiB small, {rss['large']} KiB large "
     f"(differ by {d3} KiB, limit 64), {r3:.2f}x the no-op (limit 1.5x)")
PY
