#!/usr/bin/env python3
"""Keeps docs/exactness.md true to the code.

Every numbered item names where its rule is held ("*Where:*") and may name the tests that pin
it ("*Pinned by:*"). Each path in backticks must exist, each function or type named after it
must occur in one of the item's files (or, when the item names none, in the file named last
before it), and each test named as Suite.Name must be defined in one of the item's test files.
Prints every broken reference and exits 1 when there is one.
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
text = (root / "docs" / "exactness.md").read_text(encoding="utf-8")
items = re.split(r"\n(?=\d+\. \*\*)", text)
problems = []
last_files = []


def section(item, label):
    match = re.search(r"\*" + label + r":\*(.*?)(?=\*[A-Z][a-z ]+:\*|\Z)", item, re.S)
    return re.findall(r"`([^`]+)`", match.group(1)) if match else []


def defines_test(sources, name):
    suite, _, case = name.partition(".")
    pattern = re.compile(r"\b(TEST|TEST_F|TEST_P)\(\s*" + re.escape(suite) + r"\s*,\s*" +
                         re.escape(case) + r"\s*\)")
    return any(pattern.search(s) for s in sources)


for item in items:
    number = item.split(".", 1)[0]
    if not number.isdigit():
        continue
    files = []
    names = []  # (name, the files it may be in)
    for token in section(item, "Where"):
        if "/" in token:
            files.append(token)
            if not (root / token).is_file():
                problems.append(f"item {number}: no file {token}")
        else:
            # A name belongs to the files named before it in the item, or to the files of the
            # item before when it opens the list.
            names.append((token.removesuffix("()"), list(files) if files else list(last_files)))
    if files:
        last_files = files

    def read(paths):
        return [(root / f).read_text(encoding="utf-8", errors="replace")
                for f in paths if (root / f).is_file()]

    for name, paths in names:
        sources = read(paths + files)
        for part in name.split("::"):
            # "Run*" stands for every name that starts so.
            pattern = r"\b" + re.escape(part.rstrip("*")) + (r"\w*" if part.endswith("*") else r"\b")
            if not any(re.search(pattern, s) for s in sources):
                problems.append(f"item {number}: {part} is not in {', '.join(paths + files)}")
    tests = section(item, "Pinned by")
    test_files = [t for t in tests if "/" in t]
    test_sources = []
    for f in test_files:
        if (root / f).is_file():
            test_sources.append((root / f).read_text(encoding="utf-8", errors="replace"))
        else:
            problems.append(f"item {number}: no test file {f}")
    for name in (t for t in tests if "/" not in t):
        if not defines_test(test_sources, name):
            problems.append(f"item {number}: no test {name} in {', '.join(test_files)}")

for problem in problems:
    print(problem)
print(f"{len(problems)} broken reference(s) in docs/exactness.md")
sys.exit(1 if problems else 0)
