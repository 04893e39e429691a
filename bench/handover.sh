#!/usr/bin/env bash
# The hand-over's own start: a second `tallivo "From Web Page"` against a bare QCoreApplication
# that connects to the same local socket and sends the same bytes (handover_bare), each timed
# from its start until the running copy has the page in its input memo. The running copy is
# this build's tallivo under a private Xvfb, with the startupmark plugin marking the memo.
# usage: handover.sh BUILD_DIR [RUNS] [EARLIER_BUILD_DIR]
# An earlier build's tallivo, when given, is a third sender, alternated with the others.
# HANDOVER_COUNT=1 runs each sender once under callgrind and gives the instructions it ran from
# its start to its exit instead: a figure that a busy machine does not move.
set -euo pipefail
build=$(cd "${1:?usage: handover.sh BUILD_DIR [RUNS] [EARLIER_BUILD_DIR]}" && pwd)
runs=${2:-21}
earlier=${3:+$(cd "$3" && pwd)}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
xvfb=
running=
cleanup() {
  for pid in $running $xvfb; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/program" "$work/earlier"
cp -r "$here/data/starter/." "$work/program/"
cp "$build/src/app/tallivo" "$work/program/"
[ -n "$earlier" ] && cp "$earlier/src/app/tallivo" "$work/earlier/"
mkdir -m 700 "$work/run" "$work/home"
# A page as a browser copies it, some 20 KB.
python3 -c "print(('收货人：张小明 手机：13800000000 地址：浙江省杭州市西湖区文三路 1 号\n') * 200)" \
  >"$work/page.txt"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb HOME="$work/home" \
  XDG_RUNTIME_DIR="$work/run"

QT_PLUGIN_PATH="$build/bench/plugins" QT_QPA_GENERIC_PLUGINS=startupmark \
  STARTUP_MARK="$work/shown" HANDOVER_MARK="$work/mark" HANDOVER_PAGE="$work/page.txt" \
  "$work/program/tallivo" >/dev/null 2>&1 &
running=$!
for _ in $(seq 600); do [ -s "$work/shown" ] && break; sleep 0.05; done
[ -s "$work/shown" ] || { echo "the running copy showed no window" >&2; exit 1; }
socket=$(ls "$work"/run/tallivo-* | grep -v '\.lock$' | head -1)

python3 - "$runs" "$work/mark" "$socket" "$build/bench/handover_bare" "$work/program/tallivo" \
  ${earlier:+"$work/earlier/tallivo"} <<'PY'
import os, re, statistics, subprocess, sys, time
runs, mark, socket, bare, senders = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]
count = os.environ.get("HANDOVER_COUNT") == "1"
commands = {"handover_bare": [bare, socket]}
for s in senders:
    commands[os.path.basename(os.path.dirname(s)) + "/tallivo"] = [s, "From Web Page"]
times = {name: [] for name in commands}
counts = {}
log = os.path.join(os.path.dirname(mark), "callgrind.log")
for _ in range(1 if count else runs):
    for name, command in commands.items():  # alternated, so that all see the same machine
        if os.path.exists(mark):
            os.remove(mark)
        if count:
            command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null",
                       "--log-file=" + log] + command
        start = time.monotonic_ns()
        proc = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + (120 if count else 30)
        while not (os.path.exists(mark) and os.path.getsize(mark)) and time.monotonic() < deadline:
            time.sleep(0.0002)
        if proc.wait(timeout=120) != 0 or not os.path.exists(mark):
            sys.exit("%s did not hand the page over" % name)
        times[name].append((int(open(mark).read()) - start) / 1e6)
        if count:
            counts[name] = int(re.search(r"refs:\s*([\d,]+)", open(log).read()).group(1).replace(",", ""))
if count:
    for name in commands:
        print("%-22s instructions from start to exit: %6.1f million" % (name, counts[name] / 1e6))
    for name in list(commands)[1:]:
        print("%s / bare: %.2f" % (name, counts[name] / counts["handover_bare"]))
    sys.exit(0)
for name in commands:
    print("%-22s to the page in the memo: median %6.2f ms  runs %s" % (
        name, statistics.median(times[name]), " ".join("%.1f" % t for t in times[name])))
ref = statistics.median(times["handover_bare"])
for name in list(commands)[1:]:
    print("%s / bare: %.2f" % (name, statistics.median(times[name]) / ref))
PY
