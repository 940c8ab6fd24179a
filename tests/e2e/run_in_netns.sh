#!/bin/sh
# Runs an e2e suite (run_suite.sh and its arguments) inside a network namespace of its own,
# joined by a veth pair to a second namespace, so that the suite's traffic flows only between
# addresses this script made:
#   tvx0 10.201.0.1/24 (the suite's namespace) <-> tvx1 10.201.0.2/24 (the peer's)
# IPv6 is off on both ends, so nothing but the suite's own packets crosses the pair. Both
# namespaces go when the suite ends.
set -u
here=$(cd "$(dirname "$0")" && pwd)
ns=tarvex-e2e-$$
peer=tarvex-peer-$$

cleanup() {
  ip netns del "$ns" 2>/dev/null
  ip netns del "$peer" 2>/dev/null
}
trap cleanup EXIT INT TERM

ip netns add "$ns" && ip netns add "$peer" || { echo "cannot create network namespaces" >&2; exit 1; }
ip link add tvx0 netns "$ns" type veth peer name tvx1 netns "$peer" || exit 1
setup() {  # namespace, interface, address
  ip netns exec "$1" sysctl -q -w "net.ipv6.conf.$2.disable_ipv6=1" net.ipv6.conf.lo.disable_ipv6=1
  ip netns exec "$1" ip addr add "$3/24" dev "$2"
  ip netns exec "$1" ip link set "$2" up
  ip netns exec "$1" ip link set lo up
}
setup "$ns" tvx0 10.201.0.1
setup "$peer" tvx1 10.201.0.2

ip netns exec "$ns" sh "$here/run_suite.sh" "$@"
