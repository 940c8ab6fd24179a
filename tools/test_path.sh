#!/bin/sh
# Runs a command across a network path of known delay and rate, made of namespaces this
# script creates and deletes:
#   test_path.sh [--delay-ms MS] [--rate-mbit R] [--queue-bytes N] [--server "CMD"]
#                [--wait-port PORT] -- COMMAND [ARGS...]
# COMMAND runs in namespace A (10.77.0.1), CMD (a shell command) in namespace B (10.77.0.2);
# tools/delay_line.py carries the packets between them, MS one way, R Mbit/s each way.
# With --server, COMMAND starts once something listens on PORT in B (default 8080; 0: at once).
# COMMAND sees TVPATH_NS_A, TVPATH_NS_B, TVPATH_ADDR_A, TVPATH_ADDR_B, TVPATH_DELAY_MS and
# TVPATH_RATE_MBIT. The path's parameters, and the delay line's figures at the end, go to
# stderr. Exits with COMMAND's status. Needs root and /dev/net/tun.
set -u
here=$(cd "$(dirname "$0")" && pwd)
delay=50 rate=50 queue=0 server= wait_port=8080
while [ $# -gt 0 ]; do
  case $1 in
    --delay-ms) delay=$2; shift 2 ;;
    --rate-mbit) rate=$2; shift 2 ;;
    --queue-bytes) queue=$2; shift 2 ;;
    --server) server=$2; shift 2 ;;
    --wait-port) wait_port=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "test_path: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "test_path: no command after --" >&2; exit 2; }

ns_a=tvpath-a-$$ ns_b=tvpath-b-$$
addr_a=10.77.0.1 addr_b=10.77.0.2
work=$(mktemp -d /tmp/tvpath.XXXXXX) || exit 1
line_pid= server_pid= cmd_pid=

alive() {  # pid: still running (an ended child not yet reaped counts as ended)
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1)
  [ -n "$state" ] && [ "$state" != Z ]
}
stop() {  # pid: ends the process group it leads (what is left of it), forcibly after 5 s
  kill -TERM "-$1" 2>/dev/null || kill -TERM "$1" 2>/dev/null
  i=0
  while [ $i -lt 50 ]; do
    alive "$1" || { wait "$1" 2>/dev/null; kill -0 "-$1" 2>/dev/null || break; }
    sleep 0.1
    i=$((i + 1))
  done
  kill -KILL "-$1" 2>/dev/null
  wait "$1" 2>/dev/null
}
cleanup() {
  # The command's group too: what it left running (a wineserver, say) goes with the namespace.
  [ -z "$cmd_pid" ] || stop "$cmd_pid"
  [ -z "$server_pid" ] || stop "$server_pid"
  [ -z "$line_pid" ] || { stop "$line_pid"; cat "$work/line.log" >&2; }
  ip netns del "$ns_a" 2>/dev/null
  ip netns del "$ns_b" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ ! -c /dev/net/tun ]; then
  modprobe tun 2>/dev/null
  [ -c /dev/net/tun ] || { echo "test_path: /dev/net/tun is missing (modprobe tun)" >&2; exit 1; }
fi
ip netns add "$ns_a" && ip netns add "$ns_b" || { echo "test_path: cannot create namespaces" >&2; exit 1; }

# Each background job leads a process group of its own (setsid without a fork, since a job of
# a non-interactive shell is no group leader), so that stopping it stops its children too.
setsid python3 "$here/delay_line.py" --ns-a "$ns_a" --ns-b "$ns_b" --addr-a "$addr_a" --addr-b "$addr_b" \
  --delay-ms "$delay" --rate-mbit "$rate" --queue-bytes "$queue" --ready-file "$work/ready" \
  </dev/null >/dev/null 2>"$work/line.log" &
line_pid=$!
i=0
until [ -e "$work/ready" ]; do
  i=$((i + 1))
  if [ $i -gt 200 ] || ! alive "$line_pid"; then
    echo "test_path: the delay line did not start" >&2; exit 1
  fi
  sleep 0.05
done
queue_used=$(sed -n 's/.*queue_bytes=\([0-9]*\).*/\1/p' "$work/ready")
awk -v a="$ns_a $addr_a" -v b="$ns_b $addr_b" -v d="$delay" -v r="$rate" -v q="$queue_used" 'BEGIN {
  printf "test_path: %s <-> %s: %g ms each way (round trip %g ms), %g Mbit/s each way, queue %d bytes\n", a, b, d, 2 * d, r, q
}' >&2

if [ -n "$server" ]; then
  setsid ip netns exec "$ns_b" sh -c "$server" </dev/null &
  server_pid=$!
  if [ "$wait_port" != 0 ]; then
    i=0
    until [ -n "$(ip netns exec "$ns_b" ss -Hltn "sport = :$wait_port" 2>/dev/null)" ]; do
      i=$((i + 1))
      if [ $i -gt 200 ] || ! alive "$server_pid"; then
        echo "test_path: nothing listens on port $wait_port in $ns_b" >&2; exit 1
      fi
      sleep 0.05
    done
  fi
fi

export TVPATH_NS_A="$ns_a" TVPATH_NS_B="$ns_b" TVPATH_ADDR_A="$addr_a" TVPATH_ADDR_B="$addr_b" \
  TVPATH_DELAY_MS="$delay" TVPATH_RATE_MBIT="$rate"
# In the background, so that a signal to this script is acted on at once (a shell runs its traps
# only between commands); stdin passed on explicitly, as a background job's would be /dev/null.
exec 3<&0
setsid ip netns exec "$ns_a" "$@" <&3 3<&- &
cmd_pid=$!
exec 3<&-
wait "$cmd_pid"
rc=$?
exit $rc
