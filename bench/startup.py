"""Times the tool's start-up against a minimal Qt program's, side by side, and compares the idle
memory of the two. Prints "startup_ratio" and "idle_rss_ratio"."""
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
    tool = os.path.join(folder, "startup_probe")
    minimal = os.path.join(folder, "minimal_qt_probe")
    tool_runs, minimal_runs = [], []
    for _ in range(RUNS):  # alternating, so that both meet the same machine
        tool_runs.append(measure(tool))
        minimal_runs.append(measure(minimal))
    median = statistics.median
    print(f"startup_ratio {median(t for t, _ in tool_runs) / median(t for t, _ in minimal_runs):.3f} ratio")
    print(f"idle_rss_ratio {median(r for _, r in tool_runs) / median(r for _, r in minimal_runs):.3f} ratio")


if __name__ == "__main__":
    main(sys.argv[1])
