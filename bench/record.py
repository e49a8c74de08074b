"""The push program's record at a million links, side by side with yardsticks on the same files.

sitemap_1m_vs_xmllint: a dry run reading 1,000,000 links from 20 gzip sitemap files into an empty
record, against `zcat FILE | xmllint --stream --noout -` for each file; sitemap_1m_peak_rss_mib: that run's peak
memory. cli_known_1m_ratio: a run over 1,000,000 links the record holds as accepted (nothing to
send), against `awk '!seen[$0]++'` on the same file. state_bytes_per_link_ratio: the record's size
after 1,000,000 accepted links, over the bytes of those links."""
import gzip
import os
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = 3
LINKS = 1_000_000
SITEMAPS = 20
INTERFACE = "http://127.0.0.1:9/urls?site=www.example.com&token=bench"
# One document a stream: xmllint stops at the second XML declaration of a concatenated stream.
READ_EACH = 'for f; do zcat "$f" | xmllint --stream --noout - || exit 1; done'


def link(i):
    return "https://www.example.com/articles/%07d.html" % i


def write_sitemaps(folder):
    paths = []
    per_sitemap = LINKS // SITEMAPS
    for n in range(SITEMAPS):
        path = os.path.join(folder, "sitemap-%02d.xml.gz" % n)
        with gzip.open(path, "wt", compresslevel=6) as out:
            out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                      '<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">\n')
            for i in range(n * per_sitemap, (n + 1) * per_sitemap):
                out.write("<url><loc>%s</loc><lastmod>2026-12-01</lastmod></url>\n" % link(i))
            out.write("</urlset>\n")
        paths.append(path)
    return paths


def run(command, **kwargs):
    """Seconds and peak memory (KiB) of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               **kwargs)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s" % " ".join(command))
    return seconds, usage.ru_maxrss


def sitemap_figures(push, folder, env):
    paths = write_sitemaps(folder)
    sitemaps = [word for path in paths for word in ("--sitemap", path)]
    ours, theirs, peaks = [], [], []
    for n in range(RUNS):
        record = os.path.join(folder, "empty-%d.db" % n)
        seconds, peak = run([push, "--dry-run", "-i", INTERFACE, "--state", record] + sitemaps,
                            env=env)
        ours.append(seconds)
        peaks.append(peak)
        theirs.append(run(["sh", "-c", READ_EACH, "sh"] + paths)[0])
    print("sitemap_1m_vs_xmllint %.3f ratio" % (statistics.median(ours) / statistics.median(theirs)))
    print("sitemap_1m_peak_rss_mib %.1f MiB" % (max(peaks) / 1024))


def known_figures(push, folder, env):
    links = os.path.join(folder, "links.txt")
    with open(links, "w") as out:
        for i in range(LINKS):
            out.write(link(i) + "\n")
    record = os.path.join(folder, "known.db")
    # The record of earlier versions' text state file, taken in on first use, holds every link.
    with open(record, "w") as out:
        for i in range(LINKS):
            out.write("2026-12-01T00:00:00Z\t%s\n" % link(i))
    run([push, "--dry-run", "-i", INTERFACE, "--state", record, links], env=env)
    ours, awk = [], []
    for _ in range(RUNS):
        ours.append(run([push, "-i", INTERFACE, "--state", record, links], env=env)[0])
        awk.append(run(["awk", "!seen[$0]++", links])[0])
    print("cli_known_1m_ratio %.3f ratio" % (statistics.median(ours) / statistics.median(awk)))
    size = sum(os.path.getsize(record + suffix) for suffix in ("", "-wal")
               if os.path.exists(record + suffix))
    print("state_bytes_per_link_ratio %.3f ratio" % (size / os.path.getsize(links)))


def main(push):
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, XDG_STATE_HOME=folder)
        sitemap_figures(push, folder, env)
        known_figures(push, folder, env)


if __name__ == "__main__":
    main(sys.argv[1])
