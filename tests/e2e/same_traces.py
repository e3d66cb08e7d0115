#!/usr/bin/env python3
"""Compares two traces (JSON lines) of the same run in two builds of the module.

Every line must have the same fields in the same order, with equal texts and whole
numbers; real numbers may differ in their last digits (the x87 build and the x86-64
build round differently, and the C library's sine or arc tangent may differ by an ulp
from one processor to another), by at most REAL_TOLERANCE of their size. Exits 1 at the
first line that differs, naming it.

    same_traces.py A.jsonl B.jsonl
"""
import json
import sys

REAL_TOLERANCE = 1e-9


def same(a, b):
    if isinstance(a, float) or isinstance(b, float):
        if not isinstance(a, (int, float)) or not isinstance(b, (int, float)):
            return False
        return abs(a - b) <= REAL_TOLERANCE * max(1.0, abs(a), abs(b))
    if isinstance(a, dict) and isinstance(b, dict):
        return list(a) == list(b) and all(same(a[k], b[k]) for k in a)
    if isinstance(a, list) and isinstance(b, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    return type(a) is type(b) and a == b


def main(a_path, b_path):
    with open(a_path, encoding="utf-8") as a_file, open(b_path, encoding="utf-8") as b_file:
        a_lines, b_lines = a_file.read().splitlines(), b_file.read().splitlines()
    for number, (a, b) in enumerate(zip(a_lines, b_lines), 1):
        if a != b and not same(json.loads(a), json.loads(b)):
            print(f"line {number} differs:\n  {a}\n  {b}")
            return 1
    if len(a_lines) != len(b_lines):
        print(f"{a_path} has {len(a_lines)} lines, {b_path} {len(b_lines)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
