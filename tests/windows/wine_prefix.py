"""What both Wine suites do with their prefix: run a command in it (its output to the log,
never to a pipe, which the wineserver would inherit and hold open), keep one wineserver for the
run, add registry values and set the proxy of the Internet Settings. The suite sets ENV and
LOG first."""

import os
import struct
import subprocess
import sys
import time

ENV = LOG = None


def wine(*command, out=None, err=None, timeout=120):
    with open(LOG, "ab") as log:
        return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out or log,
                              stderr=err or log, env=ENV, timeout=timeout).returncode


def reg_add(*arguments):
    """reg add, tried again when it fails: now and then Wine fails to start a program at all
    ("ShellExecuteEx failed: Internal error"), and adding a value twice does no harm."""
    for _ in range(3):
        if wine("wine", "reg", "add", *arguments, "/f") == 0:
            return True
        time.sleep(0.5)
    return False


def start():
    """The run's wineserver, and the prefix made if it is new (its registry file is written
    when the server stops, so that file marks a finished prefix)."""
    os.makedirs(ENV["WINEPREFIX"], exist_ok=True)
    if wine("wineserver", "-p", timeout=30) != 0 or (
            not os.path.exists(os.path.join(ENV["WINEPREFIX"], "system.reg"))
            and wine("wineboot", "-i", timeout=300) != 0):
        sys.exit("could not start Wine; see " + LOG)


def set_internet_proxy(server):
    """Sets the proxy of the Internet Settings (None: none) as their dialog does: the values
    that the internet library reads, and the connection settings that WinHTTP and Qt read."""
    settings = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"
    assert reg_add(settings, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "1" if server else "0")
    assert reg_add(settings, "/v", "ProxyServer", "/d", server or "")
    proxy = (server or "").encode()
    # Version, counter, flags (direct, and a proxy), then the proxy and the bypass list.
    blob = struct.pack("<IIII", 0x46, 0, 3 if server else 1, len(proxy)) + proxy + bytes(8)
    assert reg_add(settings + r"\Connections", "/v", "DefaultConnectionSettings", "/t",
                   "REG_BINARY", "/d", blob.hex())
