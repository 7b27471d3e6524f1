# For velmora-record's command-line tests: $record (the recorder, the script's first argument), a
# work folder removed on exit with no stored settings in it (the defaults: 30 ms a frame), and
# fail, which counts a failed check and goes on; finish reports the count as the exit status.
# Source it first thing.
set -u
record=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# finish NAME: prints how many checks failed and exits non-zero if any did.
finish() {
  echo "$1: $failures failed"
  [ "$failures" = 0 ]
}
# wait_until SECONDS COMMAND...: true as soon as COMMAND is, asked again every WAIT_POLL seconds
# (a twentieth unless set, as the end-to-end tests' wait_for); false once SECONDS have passed
# without it.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep "${WAIT_POLL:-0.05}"
  done
}
