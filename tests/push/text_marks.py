#!/usr/bin/env python3
"""Every text the push program fills has each of its {marks} filled, and is given no name it does
not mark: a mark left in a message, or a value that never shows, is caught here for every call,
not only for those a test happens to run. Prints each mismatch and exits 1."""
import pathlib
import re
import sys

TEXT = re.compile(r'inline constexpr std::string_view (k\w+)\s*=\s*((?:"(?:[^"\\]|\\.)*"\s*)+);')
MARK = re.compile(r"\{([a-z_]+)\}")


def texts_table(root: pathlib.Path) -> dict:
    source = (root / "push/texts/push_texts.h").read_text(encoding="utf-8")
    return {name: set(MARK.findall("".join(re.findall(r'"((?:[^"\\]|\\.)*)"', literal))))
            for name, literal in TEXT.findall(source)}


def calls(source: str):
    """The argument text of each call of filled(...)."""
    for found in re.finditer(r"\bfilled\(", source):
        depth, at = 1, found.end()
        while depth and at < len(source):
            depth += {"(": 1, ")": -1}.get(source[at], 0)
            at += 1
        yield source[found.end():at - 1]


def main() -> int:
    root = pathlib.Path(sys.argv[1])
    table = texts_table(root)
    wrong = []
    for path in sorted((root / "push").rglob("*.cpp")):
        for arguments in calls(path.read_text(encoding="utf-8")):
            pattern, _, values = arguments.partition("{")
            used = re.findall(r"texts::(k\w+)|\b(k\w+)", pattern)
            names = {a or b for a, b in used if (a or b) in table}
            if not names:
                continue  # the function itself, or a pattern made elsewhere
            given = set(re.findall(r'\{"([a-z_]+)",', "{" + values))
            for name in names:
                if not table[name] <= given:
                    wrong.append(f"{path.relative_to(root)}: {name} leaves "
                                 f"{sorted(table[name] - given)} unfilled")
            stray = given - set().union(*(table[name] for name in names))
            if stray:
                wrong.append(f"{path.relative_to(root)}: {sorted(names)} mark no {sorted(stray)}")
    print("\n".join(wrong) if wrong else f"every filled text of push/ has its marks filled")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
