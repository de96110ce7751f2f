"""Records the listing of the home folder, or compares it with the one recorded: tests and
their harnesses write only into their own temporary folders. The build's cache is left out.
Usage: home_listing.py record|compare FILE"""

import os
import sys

home = os.path.expanduser("~")
skip = os.path.join(home, ".cache", "corvanta-companions")
listing = sorted(os.path.join(top, name) for top, folders, files in os.walk(home)
                 if not top.startswith(skip) for name in folders + files)
if sys.argv[1] == "record":
    with open(sys.argv[2], "w") as out:
        out.write("\n".join(listing))
else:
    with open(sys.argv[2]) as recorded:
        before = set(recorded.read().splitlines())
    added, gone = sorted(set(listing) - before), sorted(before - set(listing))
    for path in added:
        print("written:", path)
    for path in gone:
        print("removed:", path)
    sys.exit(1 if added or gone else 0)
