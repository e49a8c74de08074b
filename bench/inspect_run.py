"""A run that inspects 2,000 accepted links (Bing's GetUrlInfo, the simulator answering at once),
side by side with `curl --config FILE` sending the same 2,000 requests one after another,
alternating; each run of ours starts from the same record. Prints "inspect_run_overhead_ratio"."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.parse

from loopback import free_port, wait_until_listening

RUNS = 5
LINKS = 2_000
KEY = "bench-key-0123"
SITE = "www.example.com"
# Accepted links are inspected 48 hours on: our runs go two days ahead.
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"


def seconds(command, environment=None):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                   env=environment)
    return time.perf_counter() - start


def main(push, simulator):
    push, simulator = os.path.abspath(push), os.path.abspath(simulator)
    port = free_port()
    root = f"http://127.0.0.1:{port}"
    endpoint = f"{root}/webmaster/api.svc/json"
    server = subprocess.Popen([simulator, "--port", str(port), "--token", KEY,
                               "--quota", "1000000", "--index-after", "0", "--site", SITE],
                              stdout=subprocess.DEVNULL)
    try:
        wait_until_listening(port)
        with tempfile.TemporaryDirectory() as folder:
            links = [f"https://{SITE}/p/{n}.html" for n in range(LINKS)]
            with open(os.path.join(folder, "links.txt"), "w") as out:
                out.write("\n".join(links) + "\n")
            state = os.path.join(folder, "state.db")
            config = os.path.join(folder, "config.toml")
            with open(config, "w") as out:
                out.write(f'state = "{state}"\n[[site]]\nname = "www"\nfiles = ["links.txt"]\n'
                          f'[site.bing]\napi_key_env = "BENCH_KEY"\nendpoint = "{endpoint}"\n'
                          f'inspect = true\n')
            environment = dict(os.environ, BENCH_KEY=KEY)
            subprocess.run([push, "--config", config], cwd=folder, env=environment, check=True,
                           stdout=subprocess.DEVNULL)
            shutil.copy(state, state + ".pushed")
            curl_config = os.path.join(folder, "curl.conf")
            site_url = urllib.parse.quote(f"https://{SITE}/", safe="")
            with open(curl_config, "w") as out:
                for link in links:
                    out.write(f'url = "{endpoint}/GetUrlInfo?siteUrl={site_url}&url='
                              f'{urllib.parse.quote(link, safe="")}&apikey={KEY}"\n'
                              'output = "/dev/null"\n')
            later = dict(environment, LD_PRELOAD=FAKETIME, FAKETIME="+2d")
            ours, theirs = [], []
            for _ in range(RUNS):
                for suffix in ("", "-wal", "-shm"):
                    if os.path.exists(state + suffix):
                        os.remove(state + suffix)
                shutil.copy(state + ".pushed", state)
                ours.append(seconds([push, "inspect", "--config", config], later))
                theirs.append(seconds(["curl", "-s", "--config", curl_config]))
    finally:
        server.terminate()
        server.wait()
    print(f"inspect_run_overhead_ratio "
          f"{statistics.median(ours) / statistics.median(theirs):.3f} ratio")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
