"""A site folder of 100,000 pages of 20 KB, cached in memory, read by the push program side by
side with `find DIR -name '*.html' -print0 | xargs -0 cat > /dev/null`, alternating. Prints
"folder_hash_100k_ratio" (reading and hashing every page: a dry run without a record) and
"folder_unchanged_100k_ratio" (a whole run with every page accepted before)."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from loopback import free_port, wait_until_listening

RUNS = 5
PAGES = 100_000
PAGE_BYTES = 20 * 1024
BASE = "https://www.example.com/"


def build_site(root):
    """100 folders of 1,000 pages; each page differs from the others in its first line."""
    filler = ("<p>" + "lorem ipsum dolor sit amet " * 40 + "</p>\n") * 20
    for folder in range(PAGES // 1000):
        path = os.path.join(root, f"section-{folder}")
        os.makedirs(path)
        for page in range(1000):
            head = f"<html><title>page {folder}-{page}</title>\n"
            with open(os.path.join(path, f"page-{page}.html"), "w") as out:
                out.write((head + filler)[:PAGE_BYTES])


def seconds(command, environment=None):
    start = time.perf_counter()
    subprocess.run(command, shell=isinstance(command, str), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, env=environment)
    return time.perf_counter() - start


def main():
    program, simulator = sys.argv[1], sys.argv[2]
    # Memory, where the system has it for files: the pages stay cached.
    scratch = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    port = free_port()
    server = subprocess.Popen([simulator, "--port", str(port), "--site", "www.example.com",
                               "--token", "t", "--quota", "1000000", "--max-links", "2000"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        site = os.path.join(scratch, "site")
        build_site(site)
        state = os.path.join(scratch, "state.db")
        interface = f"http://127.0.0.1:{port}/urls?site=www.example.com&token=t"
        run = [program, "--folder", site, "--base", BASE, "-i", interface, "-q"]
        subprocess.run(run + ["--state", state], stdout=subprocess.DEVNULL, check=True)
        yardstick = f"find {site} -name '*.html' -print0 | xargs -0 cat > /dev/null"
        seconds(yardstick)
        hashing, unchanged, reading = [], [], []
        for _ in range(RUNS):
            reading.append(seconds(yardstick))
            hashing.append(seconds(run + ["--dry-run", "--no-state"]))
            unchanged.append(seconds(run + ["--state", state]))
        base = statistics.median(reading)
        print(f"folder_hash_100k_ratio {statistics.median(hashing) / base:.3f} ratio")
        print(f"folder_unchanged_100k_ratio {statistics.median(unchanged) / base:.3f} ratio")
    finally:
        server.terminate()
        shutil.rmtree(scratch)


main()
