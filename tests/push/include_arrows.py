#!/usr/bin/env python3
"""The push program's folders include one another one way only: each folder may include the
folders before it in LAYERS, never one after it, so no arrow runs back up and none make a cycle.
Prints every arrow that does and exits 1."""
import pathlib
import re
import sys

LAYERS = ["texts", "engines", "sources", "record", "reports", "settings", "serve", "the run",
          "commands", "main"]


def layer(path: pathlib.PurePath) -> str:
    parts = path.parts
    if len(parts) > 2:
        return parts[1]
    return "main" if parts[1] == "main.cpp" else "the run"


def main() -> int:
    root = pathlib.Path(sys.argv[1])  # the repository
    wrong = []
    for source in sorted((root / "push").rglob("*")):
        if source.suffix not in (".h", ".cpp"):
            continue
        own = layer(source.relative_to(root))
        for included in re.findall(r'#include "(push/[^"]+)"', source.read_text(encoding="utf-8")):
            theirs = layer(pathlib.PurePath(included))
            if theirs not in LAYERS or own not in LAYERS:
                wrong.append(f"{source.relative_to(root)}: {included} is in no known folder")
            elif LAYERS.index(theirs) > LAYERS.index(own):
                wrong.append(f"{source.relative_to(root)} ({own}) includes {included} ({theirs})")
    print("\n".join(wrong) if wrong else "every include arrow of push/ runs one way")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
