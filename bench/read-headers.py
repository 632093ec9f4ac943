#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The baseline for reading message headers: what a user would script in Python.

    bench/read-headers.py LISTFILE

LISTFILE holds one message path a line, in UTF-8. Every file is opened in
binary, an .emlx file's first line (its byte count) skipped, and the rest parsed
with the standard library's header parser and its default policy; Subject,
From and Date are then turned into text, which is when that policy decodes
them. A message whose headers raise is counted, and the run goes on.

Prints the elapsed milliseconds on standard output, the failures on standard
error. Interpreter start-up and reading LISTFILE are not timed.
"""

import sys
import time
from email import policy
from email.parser import BytesHeaderParser


def main(argv: list) -> int:
    if len(argv) != 2:
        print("usage: read-headers.py LISTFILE", file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as listing:
        paths = [line.rstrip("\n") for line in listing if line.strip()]

    parser = BytesHeaderParser(policy=policy.default)
    failures = 0
    start = time.perf_counter()
    for path in paths:
        try:
            with open(path, "rb") as message:
                if path.lower().endswith(".emlx"):
                    message.readline()
                headers = parser.parse(message)
            for name in ("subject", "from", "date"):
                str(headers[name])
        except Exception as error:  # one bad message must not end the run
            failures += 1
            print(f"read-headers: {path}: {error}", file=sys.stderr)
    elapsed = (time.perf_counter() - start) * 1000
    print(f"{elapsed:.1f}")
    if failures:
        print(f"read-headers: {failures} of {len(paths)} messages failed", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
