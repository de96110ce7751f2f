#!/usr/bin/env python3
"""Idle cost of Freshwell waiting for its first check, side by side with a minimal Qt 6
program that only shows a tray icon (tray_probe --icon-only).

Both run on the X display in $DISPLAY at the same time. After a settling time, the
script reads, for every thread of each process, /proc/PID/task/TID/schedstat (time on
the CPU and the number of times the thread was scheduled in, i.e. its wake-ups) and
the context switch counts of /proc/PID/task/TID/status, waits, reads them again, and
prints the differences with the resident memory (VmRSS) at the end.

Usage: idle.py FRESHWELL TRAY_PROBE [seconds]"""

import os
import subprocess
import sys
import tempfile
import time

SETTLE_SECONDS = 5


def status_fields(path):
    fields = {}
    with open(path) as status:
        for line in status:
            key, _, value = line.partition(":")
            fields[key] = value.strip()
    return fields


def sample(pid):
    """Totals over the threads of pid: CPU ns, scheduled-in count, voluntary and
    involuntary context switches; and the thread count."""
    cpu_ns = runs = voluntary = involuntary = 0
    tasks = os.listdir("/proc/%d/task" % pid)
    for tid in tasks:
        base = "/proc/%d/task/%s/" % (pid, tid)
        try:
            with open(base + "schedstat") as schedstat:
                on_cpu, _, scheduled = (int(v) for v in schedstat.read().split())
            fields = status_fields(base + "status")
        except FileNotFoundError:  # the thread ended meanwhile
            continue
        cpu_ns += on_cpu
        runs += scheduled
        voluntary += int(fields["voluntary_ctxt_switches"])
        involuntary += int(fields["nonvoluntary_ctxt_switches"])
    return {"cpu_ns": cpu_ns, "runs": runs, "voluntary": voluntary,
            "involuntary": involuntary, "threads": len(tasks)}


def rss_kib(pid):
    return int(status_fields("/proc/%d/status" % pid)["VmRSS"].split()[0])


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    freshwell, probe = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 60.0

    runtime = tempfile.mkdtemp(prefix="bench-idle-")
    os.chmod(runtime, 0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    # Nothing listens there; the first check is ten minutes away in any case.
    programs = [
        ("Freshwell (waiting for its first check)",
         [freshwell, "--application-list", "http://127.0.0.1:9/applications.xml"]),
        ("minimal Qt 6 tray icon", [probe, "--icon-only"]),
    ]
    processes = [(label, subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL))
                 for label, command in programs]
    try:
        time.sleep(SETTLE_SECONDS)
        before = {p.pid: sample(p.pid) for _, p in processes}
        time.sleep(seconds)
        after = {p.pid: sample(p.pid) for _, p in processes}
        rss = {p.pid: rss_kib(p.pid) for _, p in processes}
        for label, process in processes:
            if process.poll() is not None:
                print("%s ended early (status %d)" % (label, process.returncode),
                      file=sys.stderr)
                return 1
    finally:
        for _, process in processes:
            process.terminate()
            process.wait()
        os.rmdir(runtime)

    print("Idle over %g s (after %d s to settle), all threads of each process:" %
          (seconds, SETTLE_SECONDS))
    print("%-42s %9s %8s %9s %10s %12s" %
          ("program", "RSS MiB", "threads", "wake-ups", "CPU ms", "ctx sw v/i"))
    for label, process in processes:
        b, a = before[process.pid], after[process.pid]
        print("%-42s %9.1f %8d %9d %10.2f %12s" % (
            label, rss[process.pid] / 1024.0, a["threads"], a["runs"] - b["runs"],
            (a["cpu_ns"] - b["cpu_ns"]) / 1e6,
            "%d/%d" % (a["voluntary"] - b["voluntary"], a["involuntary"] - b["involuntary"])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
