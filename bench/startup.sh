#!/usr/bin/env bash
# Time to a visible window, tallivo against an empty window with one Chinese label
# (startup_reference), both under a private Xvfb, with 1 000 + 1 000 templates in the program
# folder. The first paint is marked by the startupmark plugin loaded into each.
# usage: startup.sh BUILD_DIR [RUNS] [TEMPLATES] [EARLIER_BUILD_DIR]
# An earlier build, when given, runs alternated with the others, for figures before and after.
# STARTUP_COUNT=1 runs each program once under callgrind and gives the instructions it ran to the
# first paint instead: a figure that a busy machine does not move.
set -euo pipefail
build=$(cd "${1:?usage: startup.sh BUILD_DIR [RUNS] [TEMPLATES]}" && pwd)
runs=${2:-7}
templates=${3:-1000}
earlier=${4:+$(cd "$4" && pwd)}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$here/bench/startup_folder.py" "$here/data/starter" "$work/program" "$templates"
# A copy run from its own folder uses that folder as its program folder.
cp "$build/src/app/tallivo" "$work/program/"
cp -r "$build/src/app/help" "$build/src/app/profiles" "$build/src/app/regions" "$work/program/" 2>/dev/null || true
if [ -n "$earlier" ]; then
  mkdir "$work/earlier"
  cp -r "$work/program/." "$work/earlier/"
  cp "$earlier/src/app/tallivo" "$work/earlier/"
fi
mkdir -m 700 "$work/run" "$work/home"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb HOME="$work/home" \
  XDG_RUNTIME_DIR="$work/run" QT_PLUGIN_PATH="$build/bench/plugins" \
  QT_QPA_GENERIC_PLUGINS=startupmark STARTUP_MARK="$work/mark"
python3 - "$runs" "$work/mark" "$build/bench/startup_reference" "$work/program/tallivo" \
  ${earlier:+"$work/earlier/tallivo"} <<'PY'
import os, re, statistics, subprocess, sys, time
runs, mark, programs = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
count = os.environ.get("STARTUP_COUNT") == "1"
if count:
    runs = 1
times = {p: [] for p in programs}
cpus = {p: [] for p in programs}
counts = {}
log = os.path.join(os.path.dirname(mark), "callgrind.%p.log")
for _ in range(runs):
    for program in programs:  # alternated, so that both see the same machine
        if os.path.exists(mark):
            os.remove(mark)
        start = time.monotonic_ns()
        command = [program]
        if count:
            command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                       "--log-file=" + log] + command
        proc = subprocess.Popen(command, cwd=os.path.dirname(program),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + (120 if count else 30)
        while not (os.path.exists(mark) and os.path.getsize(mark)) and time.monotonic() < deadline:
            time.sleep(0.001)
        proc.terminate()
        proc.wait()
        if not os.path.exists(mark):
            sys.exit("%s showed no window" % program)
        wall, cpu = open(mark).read().split()
        times[program].append((int(wall) - start) / 1e6)
        cpus[program].append(int(cpu) / 1e6)
        if count:
            text = open(log.replace("%p", str(proc.pid))).read()
            counts[program] = int(re.search(r"refs:\s*([\d,]+)", text).group(1).replace(",", ""))
if count:
    name = lambda p: os.path.basename(os.path.dirname(p)) + "/" + os.path.basename(p)
    for p in programs:
        print("%-26s instructions to the first paint: %7.1f million" % (name(p), counts[p] / 1e6))
    for p in programs[1:]:
        print("%s / reference: %.2f" % (name(p), counts[p] / counts[programs[0]]))
    sys.exit(0)
for p in programs:
    print("%-26s to the first paint: median %6.1f ms (CPU %6.1f ms)  runs %s" % (
        os.path.basename(os.path.dirname(p)) + "/" + os.path.basename(p),
        statistics.median(times[p]), statistics.median(cpus[p]),
        " ".join("%.0f" % t for t in times[p])))
ref, ref_cpu = statistics.median(times[programs[0]]), statistics.median(cpus[programs[0]])
for p in programs[1:]:
    print("%s / reference: %.2f (CPU %.2f)" % (os.path.basename(os.path.dirname(p)) + "/tallivo",
          statistics.median(times[p]) / ref, statistics.median(cpus[p]) / ref_cpu))
PY
