#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The baseline for reading message headers: what a user would script in Python.

    bench/read-headers.py [--whole-file] LISTFILE

LISTFILE holds one message path a line, in UTF-8. Every file is opened in
binary and an .emlx file's first line (its byte count) skipped. Then, as a
careful script does, only the header block is read: lines up to the first
empty one, parsed with the standard library's header parser and its default
policy. With --whole-file the parser is given the open file instead, as a
first script does; it then reads every message to its end (the body is kept,
unparsed), so its time grows with the archive's size. Either way Subject,
From and Date are then turned into text, which is when that policy decodes
them. A message whose headers raise is counted, and the run goes on.

Prints the elapsed milliseconds on standard output, the failures on standard
error. Interpreter start-up and reading LISTFILE are not timed.
"""

import sys
import time
from email import policy
from email.parser import BytesHeaderParser


def header_block(message) -> bytes:
    """The lines of an open message up to and including the first empty one."""
    lines = []
    for line in message:
        lines.append(line)
        if line in (b"\n", b"\r\n"):
            break
    return b"".join(lines)


def main(argv: list) -> int:
    args = argv[1:]
    whole_file = args[:1] == ["--whole-file"]
    if whole_file:
        args = args[1:]
    if len(args) != 1:
        print("usage: read-headers.py [--whole-file] LISTFILE", file=sys.stderr)
        return 2
    with open(args[0], encoding="utf-8") as listing:
        paths = [line.rstrip("\n") for line in listing if line.strip()]

    parser = BytesHeaderParser(policy=policy.default)
    failures = 0
    start = time.perf_counter()
    for path in paths:
        try:
            with open(path, "rb") as message:
                if path.lower().endswith(".emlx"):
                    message.readline()
                if whole_file:
                    headers = parser.parse(message)
                else:
                    headers = parser.parsebytes(header_block(message))
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
