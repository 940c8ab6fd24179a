#!/bin/sh
# Checks that tools/test_path.sh gives the path it promises. Over each path, curl in namespace A
#  - times 10 TCP connection set-ups: their median must be the round trip within 10 %;
#  - downloads 10 s and 5 s worth of the line's rate from tools/speed_server.py, each on a new
#    connection. The 10 s download's throughput is what the connection test would see, slow
#    start included, and is only shown: over a long round trip TCP's start takes a second or
#    more of it. The line's rate is the difference of the two (the extra bytes over the extra
#    time; both start the same way): it must be the rate less the TCP/IP headers within 15 %.
#    The sender uses CUBIC, not this host's BBR: BBR's round-trip probe, every 10 s, falls in
#    the longer download only and would skew the difference.
#   sh tests/e2e/check_test_path.sh [ONE_WAY_MS:MBIT ...]     (default: 50:50 200:10)
# Needs root, curl and /dev/net/tun; takes about 20-30 s a path. Exits non-zero when a figure is off.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tools=$(cd "$here/../../tools" && pwd)
command -v curl >/dev/null || { echo "check_test_path: curl is missing" >&2; exit 1; }
[ $# -gt 0 ] || set -- 50:50 200:10

# Runs in namespace A: prints "rtt_ms MEDIAN MIN MAX" and "get SECONDS_WORTH BYTES SECONDS".
probe='
set -u
url=http://$TVPATH_ADDR_B:8080
for i in 1 2 3 4 5 6 7 8 9 10; do
  curl -s -o /dev/null --max-time 10 -w "%{time_connect}\n" "$url/" || exit 1
done | sort -n | awk "{ v[NR] = \$1 * 1000 } END { if (NR != 10) exit 1; printf \"rtt_ms %.1f %.1f %.1f\n\", (v[5] + v[6]) / 2, v[1], v[NR] }" || exit 1
for secs in 10 5; do
  bytes=$(awk -v r="$TVPATH_RATE_MBIT" -v s="$secs" "BEGIN { printf \"%d\", r * 1e6 / 8 * s }")
  curl -s -o /dev/null --max-time 120 -w "%{size_download} %{time_total}\n" "$url/speedtest?bytes=$bytes" |
    awk -v want="$bytes" -v s="$secs" "\$1 == want { print \"get\", s, \$1, \$2; ok = 1 } END { exit !ok }" || exit 1
done
'

failed=0
for path in "$@"; do
  delay=${path%%:*} rate=${path#*:}
  # No cached metrics in the sender: every download starts as a first contact would.
  out=$(sh "$tools/test_path.sh" --delay-ms "$delay" --rate-mbit "$rate" \
    --server "sysctl -q -w net.ipv4.tcp_no_metrics_save=1; exec python3 '$tools/speed_server.py' --congestion cubic >/dev/null" \
    -- sh -c "sysctl -q -w net.ipv4.tcp_no_metrics_save=1; $probe")
  rc=$?
  # A TCP segment of 1448 bytes travels in a 1500-byte packet (IP, TCP and timestamp headers).
  echo "$out" | awk -v d="$delay" -v r="$rate" -v rc="$rc" '
    $1 == "rtt_ms" { rtt = $2; lo = $3; hi = $4 }
    $1 == "get" { bytes[$2] = $3; secs[$2] = $4 }
    END {
      if (rc != 0 || rtt == "" || secs[10] == "" || secs[5] == "" || secs[10] <= secs[5]) {
        printf "FAIL %s ms each way, %s Mbit/s: no figures (status %d)\n", d, r, rc; exit 1
      }
      want_rtt = 2 * d; want_mbit = r * 1448 / 1500
      whole = bytes[10] * 8 / secs[10] / 1e6
      line = (bytes[10] - bytes[5]) * 8 / (secs[10] - secs[5]) / 1e6
      ok_rtt = rtt >= want_rtt * 0.9 && rtt <= want_rtt * 1.1
      ok_line = line >= want_mbit * 0.85 && line <= want_mbit * 1.15
      printf "%s %s ms each way, %s Mbit/s: round trip %.1f ms (%.1f..%.1f; want %g +-10%%); " \
        "line %.2f Mbit/s (want %.2f +-15%%); 10 s download %.2f Mbit/s in %.2f s (%.0f%% of the line)\n", \
        (ok_rtt && ok_line) ? "ok  " : "FAIL", d, r, rtt, lo, hi, want_rtt, line, want_mbit, whole, secs[10], 100 * whole / want_mbit
      exit !(ok_rtt && ok_line)
    }' || failed=1
done
exit $failed
