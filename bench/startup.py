"""Times the tool's start-up side by side with two plain Qt programs, one that shows an empty
window and one that shows the tool's eight controls with the same texts and fonts, and compares
the idle memory of each. Prints "startup_ratio" and "idle_rss_ratio" (against the empty window),
"startup_same_texts_ratio" and "idle_rss_same_texts_ratio" (against the same texts)."""
import os
import statistics
import subprocess
import sys
import time

RUNS = 9


def measure(program):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    start = time.perf_counter()
    process = subprocess.Popen([program], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               env=env, text=True)
    assert process.stdout.readline().strip() == "shown"
    shown = time.perf_counter() - start
    rss = int(process.stdout.readline().split()[1])
    process.wait()
    return shown, rss


def main(folder):
    programs = ["startup_probe", "minimal_qt_probe", "same_texts_qt_probe"]
    runs = {name: [] for name in programs}
    for _ in range(RUNS):  # alternating, so that all meet the same machine
        for name in programs:
            runs[name].append(measure(os.path.join(folder, name)))

    def median(name, index):
        return statistics.median(run[index] for run in runs[name])

    for suffix, yardstick in (("", "minimal_qt_probe"), ("_same_texts", "same_texts_qt_probe")):
        startup = median("startup_probe", 0) / median(yardstick, 0)
        rss = median("startup_probe", 1) / median(yardstick, 1)
        print(f"startup{suffix}_ratio {startup:.3f} ratio")
        print(f"idle_rss{suffix}_ratio {rss:.3f} ratio")


if __name__ == "__main__":
    main(sys.argv[1])
