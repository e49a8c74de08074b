"""Reading, cleaning and batching 1,000,000 links with `linkcourier-push --dry-run`, side by side
with `awk '!seen[$0]++'` on the same file, alternating. Prints "cli_clean_1m_ratio"."""
import os
import random
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = 5


def links_file(folder):
    """A million links of one site, a tenth of them repeated, as a sitemap dump gives them."""
    path = os.path.join(folder, "links.txt")
    generator = random.Random(2026)
    with open(path, "w") as out:
        for _ in range(1_000_000):
            out.write("https://www.example.com/articles/%07d.html\n" % generator.randrange(900_000))
    return path


def seconds(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


def main(push):
    with tempfile.TemporaryDirectory() as folder:
        path = links_file(folder)
        ours, awk = [], []
        for _ in range(RUNS):
            ours.append(seconds([push, "--dry-run", path]))
            awk.append(seconds(["awk", "!seen[$0]++", path]))
    print(f"cli_clean_1m_ratio {statistics.median(ours) / statistics.median(awk):.3f} ratio")


if __name__ == "__main__":
    main(sys.argv[1])
