#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The baseline for splitting an mbox: what a user would script in Python.

    bench/split-mbox.py MBOX DEST

Opens MBOX with the standard library's mailbox.mbox and writes every message
to a file of its own in the folder DEST (made when missing), named by its
number: 1.eml, 2.eml, ... Each file gets the message's bytes as the module
stores them (get_bytes), the quickest and only lossless way it offers:
iterating over the mailbox would parse every message into an object and
write it out again, which is slower and changes bytes.

Prints the number of messages on standard output; bench/run times the whole
program, interpreter start-up included, as it times letterfold-cli.
"""

import mailbox
import os
import sys


def main(argv: list) -> int:
    if len(argv) != 3:
        print("usage: split-mbox.py MBOX DEST", file=sys.stderr)
        return 2
    os.makedirs(argv[2], exist_ok=True)
    box = mailbox.mbox(argv[1], create=False)
    count = 0
    try:
        for count, key in enumerate(box.iterkeys(), 1):
            with open(os.path.join(argv[2], f"{count}.eml"), "wb") as out:
                out.write(box.get_bytes(key))
    finally:
        box.close()
    print(count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
