#!/usr/bin/env python3
"""The record's logic is the same on every backend: only the two connection files speak to one
database in its own words. Prints every line elsewhere in push/ that asks which database it is
(dialect()) or says SQLite's PRAGMA, and exits 1."""
import pathlib
import re
import sys

CONNECTIONS = {"push/record/sqlite_connection.cpp", "push/record/postgres_connection.cpp"}
DIALECT = re.compile(r"\bdialect\s*\(|\bPRAGMA\b")


def main() -> int:
    root = pathlib.Path(sys.argv[1])  # the repository
    wrong = []
    for source in sorted((root / "push").rglob("*")):
        name = source.relative_to(root).as_posix()
        if source.suffix not in (".h", ".cpp") or name in CONNECTIONS:
            continue
        for number, line in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
            if DIALECT.search(line):
                wrong.append(f"{name}:{number}: {line.strip()}")
    print("\n".join(wrong) if wrong else "only the connections speak a database's own words")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
