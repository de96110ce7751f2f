#!/usr/bin/env python3
"""Times getVantorel against the bundled AuthenticationService on loopback, side by side
with curl posting the same envelope to the same service, and prints the ratio of the
median run times. A ratio near 1 means a run costs little more than starting a process
and one HTTP exchange.

Usage: bench/getvantorel.py [BUILD_DIR] [RUNS]   (defaults: build 50)
The build must have been configured by scripts/build.sh (loopback endpoint); the port is
GETVANTOREL_PORT (default 18431).
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "build"))
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 50
port = os.environ.get("GETVANTOREL_PORT", "18431")
tool = os.path.join(build, "tuning", "getVantorel")
service = os.path.join(build, "localservices", "authentication_service")
canned = os.path.join(here, "localservices", "canned_reply_server.py")
url = "http://127.0.0.1:%s/authws/services/AuthenticationService" % port
args = ["9.1", "server", "oltp"]


def start(command):
    process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
    if "listening" not in process.stdout.readline():
        process.kill()
        sys.exit("benchmark: %s did not start" % command[0])
    return process


def stop(process):
    process.terminate()
    process.wait()
    process.stdout.close()


def timed(command, answered):
    started = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - started
    if result.returncode != 0 or result.stderr or not answered(result.stdout):
        sys.exit("benchmark: unexpected result from %s: %r %r"
                 % (command[0], result.stdout[:200], result.stderr[:200]))
    return elapsed


with tempfile.TemporaryDirectory() as scratch:
    # The exact envelope getVantorel sends, caught once by the canned-reply server.
    log = os.path.join(scratch, "request.log")
    catcher = start([sys.executable, canned, port, "--request-log", log])
    subprocess.run([tool, *args], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stop(catcher)
    with open(log, "rb") as f:
        envelope = f.read().split(b"\n----\n")[0]
    body = os.path.join(scratch, "envelope.xml")
    with open(body, "wb") as f:
        f.write(envelope)

    curl = ["curl", "-sS", "-X", "POST", "-H", "Content-Type: text/xml; charset=utf-8",
            "-H", 'SOAPAction: ""', "--data-binary", "@" + body, url]
    server = start([service, port])
    try:
        tool_times, curl_times = [], []
        for _ in range(runs):  # interleaved, so drifts in machine load hit both alike
            tool_times.append(timed([tool, *args], lambda out: out.count(b"\n") == 17))
            curl_times.append(timed(curl, lambda out: b"getVantorelInfoResponse>" in out))
    finally:
        stop(server)

tool_median = statistics.median(tool_times)
curl_median = statistics.median(curl_times)
print("runs: %d" % runs)
print("getVantorel median: %.2f ms" % (tool_median * 1000))
print("curl median:        %.2f ms" % (curl_median * 1000))
print("ratio getVantorel/curl: %.2f" % (tool_median / curl_median))
