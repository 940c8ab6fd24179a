#!/usr/bin/env python3
"""A network path of known delay and rate between two network namespaces.

This kernel has no netem, so the path is made in user space: a TUN device in each namespace
and this process between them. Every IP packet read from one side occupies the line for
size*8/rate seconds behind the packets before it (a drop-tail queue of --queue-bytes in front
of the line), then travels for --delay-ms more and is written to the other side. Each
direction has a line of its own.

  delay_line.py --ns-a A --ns-b B --delay-ms 50 --rate-mbit 50 --ready-file F

Both namespaces must exist (ip netns add). The devices are configured as a point-to-point
pair: --addr-a on A's device with --addr-b as its peer, and the reverse in B; lo comes up
and IPv6 goes off in both, so that only the test's own packets cross. The devices vanish
when this process ends. The ready file is written once packets flow; on exit one line of
figures per direction and the CPU used go to stderr.
"""
import argparse
import collections
import ctypes
import fcntl
import os
import select
import signal
import struct
import subprocess
import sys
import time

TUNSETIFF = 0x400454CA
IFF_TUN = 0x0001
IFF_NO_PI = 0x1000
CLONE_NEWNET = 0x40000000


def parse_args():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--ns-a", required=True)
    p.add_argument("--ns-b", required=True)
    p.add_argument("--addr-a", default="10.77.0.1")
    p.add_argument("--addr-b", default="10.77.0.2")
    p.add_argument("--dev", default="tvd0", help="the device's name in each namespace")
    p.add_argument("--delay-ms", type=float, required=True, help="one-way delay")
    p.add_argument("--rate-mbit", type=float, required=True, help="bottleneck rate, each way")
    p.add_argument("--queue-bytes", type=int, default=0,
                   help="queue in front of the line (default: twice the bandwidth-delay product)")
    p.add_argument("--mtu", type=int, default=1500)
    p.add_argument("--ready-file")
    return p.parse_args()


class Line:
    """One direction: packets queued for the line, each with the time it reaches the far end."""

    def __init__(self, name, out_fd, delay, bytes_per_s, queue_bytes):
        self.name = name
        self.out_fd = out_fd
        self.delay = delay
        self.bytes_per_s = bytes_per_s
        self.queue_bytes = queue_bytes
        self.free_at = 0.0  # when the line finishes the last packet accepted
        self.flight = collections.deque()  # (arrival time at the far end, packet)
        self.packets = self.bytes = self.dropped = self.max_backlog = 0

    def accept(self, packet, now):
        backlog = (self.free_at - now) * self.bytes_per_s
        if backlog < 0:
            backlog = 0
        if backlog + len(packet) > self.queue_bytes:
            self.dropped += 1
            return
        if backlog > self.max_backlog:
            self.max_backlog = backlog
        start = self.free_at if self.free_at > now else now
        self.free_at = start + len(packet) / self.bytes_per_s
        self.flight.append((self.free_at + self.delay, packet))

    def release(self, now):
        """Writes the packets due by now; returns when the next one is due, or None."""
        flight = self.flight
        while flight:
            due, packet = flight[0]
            if due > now:
                return due
            flight.popleft()
            try:
                os.write(self.out_fd, packet)
                self.packets += 1
                self.bytes += len(packet)
            except OSError:
                self.dropped += 1  # the far device is down or full: the packet is lost, as on a wire
        return None


def open_tun_in(ns, dev):
    """Opens a TUN device inside namespace ns; the device stays in the namespace it was made in."""
    libc = ctypes.CDLL(None, use_errno=True)
    own = os.open("/proc/self/ns/net", os.O_RDONLY)
    target = os.open("/var/run/netns/" + ns, os.O_RDONLY)
    try:
        if libc.setns(target, CLONE_NEWNET) != 0:
            raise OSError(ctypes.get_errno(), "setns into " + ns)
        try:
            fd = os.open("/dev/net/tun", os.O_RDWR | os.O_NONBLOCK)
            fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH22x", dev.encode(), IFF_TUN | IFF_NO_PI))
        finally:
            if libc.setns(own, CLONE_NEWNET) != 0:
                raise OSError(ctypes.get_errno(), "setns back")
    finally:
        os.close(own)
        os.close(target)
    return fd


def configure(ns, dev, mtu, local, peer):
    def run(*cmd):
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)

    run("ip", "netns", "exec", ns, "sysctl", "-q", "-w", "net.ipv6.conf.all.disable_ipv6=1",
        "net.ipv6.conf.default.disable_ipv6=1")
    run("ip", "-n", ns, "link", "set", "dev", "lo", "up")
    run("ip", "-n", ns, "link", "set", "dev", dev, "mtu", str(mtu), "txqueuelen", "1000")
    run("ip", "-n", ns, "addr", "add", local, "peer", peer, "dev", dev)
    run("ip", "-n", ns, "link", "set", "dev", dev, "up")


def main():
    args = parse_args()
    delay = args.delay_ms / 1000.0
    bytes_per_s = args.rate_mbit * 1e6 / 8
    queue_bytes = args.queue_bytes or max(int(2 * bytes_per_s * 2 * delay), 100 * args.mtu)

    def stop(*_):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    fd_a = open_tun_in(args.ns_a, args.dev)
    fd_b = open_tun_in(args.ns_b, args.dev)
    configure(args.ns_a, args.dev, args.mtu, args.addr_a, args.addr_b)
    configure(args.ns_b, args.dev, args.mtu, args.addr_b, args.addr_a)

    a_to_b = Line("a->b", fd_b, delay, bytes_per_s, queue_bytes)
    b_to_a = Line("b->a", fd_a, delay, bytes_per_s, queue_bytes)
    lines = {fd_a: a_to_b, fd_b: b_to_a}

    if args.ready_file:
        tmp = args.ready_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("delay_ms=%g rate_mbit=%g queue_bytes=%d\n" % (args.delay_ms, args.rate_mbit, queue_bytes))
        os.rename(tmp, args.ready_file)

    started = time.monotonic()
    cpu0 = os.times()
    fds = [fd_a, fd_b]
    clock = time.monotonic
    read = os.read
    try:
        while True:
            now = clock()
            due = [d for d in (a_to_b.release(now), b_to_a.release(now)) if d is not None]
            # Sleep until the next packet is due, or indefinitely (in slices, for signals).
            timeout = max(0.0, min(due) - clock()) if due else 1.0
            ready, _, _ = select.select(fds, [], [], timeout)
            if not ready:
                continue
            now = clock()
            for fd in ready:
                line = lines[fd]
                # Drain what the device holds: one wake-up per burst, not per packet.
                for _ in range(256):
                    try:
                        packet = read(fd, 65536)
                    except BlockingIOError:
                        break
                    line.accept(packet, now)
    except SystemExit:
        pass
    finally:
        cpu = os.times()
        elapsed = max(time.monotonic() - started, 1e-9)
        used = (cpu.user - cpu0.user) + (cpu.system - cpu0.system)
        for line in (a_to_b, b_to_a):
            sys.stderr.write("delay_line %s: %d packets, %d bytes, %d dropped, largest queue %d bytes\n"
                             % (line.name, line.packets, line.bytes, line.dropped, line.max_backlog))
        sys.stderr.write("delay_line cpu: %.2f s in %.1f s (%.0f %%)\n" % (used, elapsed, 100 * used / elapsed))
        os.close(fd_a)
        os.close(fd_b)


if __name__ == "__main__":
    main()
