#!/usr/bin/env python3
"""Cross-checks our binary property lists against Python's plistlib.

Usage: plistlib_check.py write FILE   writes SAMPLE with plistlib
       plistlib_check.py check FILE   loads FILE with plistlib and compares it to SAMPLE

PropertyListTest.cpp builds the same sample in C++; keep the two identical.
"""

import math
import plistlib
import struct
import sys
from datetime import datetime

SAMPLE = {
    "ascii": "Hello, clipboard world",
    "accents": "Crème brûlée à la française",
    "cjk": "剪贴板历史",
    "emoji": "📋 copied 👍🏽",
    "empty string": "",
    "bytes": bytes(range(256)),
    "empty bytes": b"",
    "ints": [0, 1, 14, 15, 255, 256, 65535, 65536, 2**31, 2**32 - 1, 2**32, 2**40, -1, -255, -2**63, 2**63 - 1],
    # No 0.0 next to -0.0: plistlib would write the two as one shared object.
    "floats": [-0.0, 0.1, -2.5, 1e300, 5e-324, math.inf],
    "bools": [True, False],
    # Microsecond parts and pre-2001 instants whose doubles plistlib reproduces exactly.
    "dates": [
        datetime(2024, 5, 17, 13, 45, 30, 123456),
        datetime(2001, 1, 1),
        datetime(1999, 12, 31, 23, 59, 59, 500000),
        datetime(1969, 7, 20, 20, 17, 40),
        datetime(1900, 1, 1, 0, 0, 0, 1),
    ],
    "nested": {
        "empty array": [],
        "empty dict": {},
        "deep": [[["leaf", {"key": "value", "ключ": "значение"}]]],
    },
    "sixteen": {f"key {i:02}": i * 1000 for i in range(16)},
    # plistlib writes equal strings once and refers to them several times.
    "repeated": ["same", "same", "same", "Crème", "Crème", b"same", b"same"],
}


def difference(expected, actual, path="root"):
    """A description of the first difference, or None. Strict about types and float bits."""
    if type(expected) is not type(actual):
        return f"{path}: expected {type(expected).__name__} {expected!r}, got {type(actual).__name__} {actual!r}"
    if isinstance(expected, dict):
        if list(expected) != list(actual):
            return f"{path}: expected keys {list(expected)}, got {list(actual)}"
        items = ((f"{path}[{key!r}]", expected[key], actual[key]) for key in expected)
    elif isinstance(expected, list):
        if len(expected) != len(actual):
            return f"{path}: expected {len(expected)} elements, got {len(actual)}"
        items = ((f"{path}[{i}]", e, a) for i, (e, a) in enumerate(zip(expected, actual)))
    elif isinstance(expected, float):
        same = struct.pack(">d", expected) == struct.pack(">d", actual)
        return None if same else f"{path}: expected {expected!r}, got {actual!r}"
    else:
        return None if expected == actual else f"{path}: expected {expected!r}, got {actual!r}"
    for subpath, expected_item, actual_item in items:
        found = difference(expected_item, actual_item, subpath)
        if found:
            return found
    return None


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("write", "check"):
        sys.exit(__doc__)
    mode, path = sys.argv[1:]
    if mode == "write":
        with open(path, "wb") as file:
            plistlib.dump(SAMPLE, file, fmt=plistlib.FMT_BINARY, sort_keys=False)
        return
    with open(path, "rb") as file:
        loaded = plistlib.load(file)
    found = difference(SAMPLE, loaded)
    if found:
        print(found)
        sys.exit(1)


if __name__ == "__main__":
    main()
