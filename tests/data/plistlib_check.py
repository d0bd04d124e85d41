#!/usr/bin/env python3
"""Cross-checks our binary property lists against Python's plistlib.

Usage: plistlib_check.py FILE
Loads FILE with plistlib and compares it to SAMPLE, then replaces FILE with plistlib's SAMPLE.
PropertyListTest.cpp builds the same sample in C++; keep the two identical.
"""

import math
import plistlib
import struct
import sys
from datetime import datetime

SAME = ["same", b"same"]
SAMPLE = {
    "ints": [0, 1, 15, 255, 256, 65535, 65536, 2**31, 2**32 - 1, 2**32, 2**40, -1, -255, -2**63, 2**63 - 1],
    # No 0.0 next to -0.0: plistlib would write the two as one shared object. The dates have microseconds or
    # precede 2001, and plistlib reproduces their doubles exactly.
    "others": ["Hello, clipboard world", "Crème brûlée à la française", "剪贴板历史", "📋 copied 👍🏽", "",
               True, False, -0.0, 0.1, 5e-324, math.inf, bytes(range(256)), b"",
               datetime(2024, 5, 17, 13, 45, 30, 123456), datetime(1999, 12, 31, 23, 59, 59, 500000),
               datetime(1900, 1, 1, 0, 0, 0, 1)],
    "nested": [[], {}, ["leaf", {"ключ": "значение"}]],
    # plistlib writes equal scalars and the same list once, and refers to them several times.
    "repeated": [SAME, SAME, "Crème", "Crème"],
} | {f"key {i + 10}": i * 1000 for i in range(16)}


def difference(expected, actual, path="root"):
    """A description of the first difference, or None. Strict about types, key order and float bits."""
    if type(expected) is not type(actual):
        return f"{path}: expected {expected!r}, got {type(actual).__name__} {actual!r}"
    if isinstance(expected, dict):
        if list(expected) != list(actual):
            return f"{path}: expected keys {list(expected)}, got {list(actual)}"
        children = [(key, expected[key], actual[key]) for key in expected]
    elif isinstance(expected, list):
        if len(expected) != len(actual):
            return f"{path}: expected {len(expected)} elements, got {len(actual)}"
        children = list(zip(range(len(expected)), expected, actual))
    else:
        pack = (lambda x: struct.pack(">d", x)) if isinstance(expected, float) else (lambda x: x)
        return None if pack(expected) == pack(actual) else f"{path}: expected {expected!r}, got {actual!r}"
    return next(filter(None, (difference(e, a, f"{path}[{k!r}]") for k, e, a in children)), None)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as file:
        found = difference(SAMPLE, plistlib.load(file))
    with open(sys.argv[1], "wb") as file:
        plistlib.dump(SAMPLE, file, fmt=plistlib.FMT_BINARY, sort_keys=False)
    sys.exit(found)


if __name__ == "__main__":
    main()
