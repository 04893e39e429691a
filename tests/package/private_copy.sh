# Sourced by the process tests: a private copy of the built `tallivo` with the starter content
# in $work/prog, and private runtime, data and configuration folders, so the test neither meets
# a running Tallivo of the user's nor touches the user's files.
# Needs: $tallivo (the built program) and $source (the source tree).
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prog=$work/prog
mkdir -p "$prog" "$work/run" "$work/home"
cp "$tallivo" "$prog/"
cp -R "$source/data/starter/." "$prog/"
cp -R "$source/data/help" "$prog/help"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export HOME=$work/home QT_QPA_PLATFORM=offscreen

# Waits up to 15 s for the running copy's socket.
wait_for_listener() {
  for _ in $(seq 150); do
    [ -n "$(find "$XDG_RUNTIME_DIR" -type s 2>/dev/null)" ] && return 0
    sleep 0.1
  done
  fail "no copy of tallivo listens"
}
