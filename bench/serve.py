"""The push program's service at real loads, on loopback.

serve_intake_links_per_s: links acknowledged a second while 50 clients each post 100 new links a
request, as fast as the answers come, for 10 seconds. serve_intake_p99_ms: the 99th percentile
of the answer time at 1,000 requests a second (10 links each, 20 clients paced). serve_idle_rss_mib:
the service's resident memory after its start, before any request. serve_outage_rss_growth: its
resident memory once 1,000,000 links wait during an engine outage (nothing listens at its address;
the service tries it a second after links wait, then later each time), against once 10,000 wait.
   python3 bench/serve.py PUSH_PROGRAM"""
import http.client
import os
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

TOKEN = "bench-intake-token"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def rss_mib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    raise RuntimeError("no VmRSS")


class Service:
    """The service over a record in `folder` (`state`), its one site pushed to `address`: by
    default nothing listens there, the engine down."""

    def __init__(self, push, folder, flush_after, state="state.db",
                 source='sitemaps = ["https://www.example.com/sitemap.xml"]',
                 address="http://127.0.0.1:9/urls?site=www.example.com&token=t"):
        self.port = free_port()
        with open(os.path.join(folder, "token"), "w") as token:
            token.write(TOKEN + "\n")
        os.chmod(os.path.join(folder, "token"), 0o600)
        self.config = os.path.join(folder, "config.toml")
        with open(self.config, "w") as out:
            out.write('state = "%s"\n[serve]\nlisten = "127.0.0.1:%d"\ntoken_file = "token"\n'
                      'flush_after = %s\n[[site]]\nname = "www"\n%s\n[site.push]\n'
                      'interface_env = "BENCH_INTERFACE"\n' % (state, self.port, flush_after, source))
        self.environment = dict(os.environ, BENCH_INTERFACE=address)
        self.process = subprocess.Popen([push, "serve", "--config", self.config], cwd=folder,
                                        env=self.environment, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        for _ in range(200):
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise RuntimeError("the service did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=60)


def post(connection, first, count):
    body = "\n".join("https://www.example.com/p/%09d.html" % i for i in range(first, first + count))
    connection.request("POST", "/v1/links?site=www", body,
                       {"Authorization": "Bearer " + TOKEN, "Content-Type": "text/plain"})
    response = connection.getresponse()
    response.read()
    if response.status != 202:
        raise RuntimeError("answered %d" % response.status)


def clients(port, count, each):
    """Runs `each(connection, client)` on `count` threads with a connection each."""
    failures = []

    def run(client):
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        try:
            each(connection, client)
        except Exception as error:  # noqa: BLE001 - said below
            failures.append(error)
        connection.close()

    threads = [threading.Thread(target=run, args=(n,)) for n in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    if failures:
        raise RuntimeError("a client failed: %s" % failures[0])


def intake_rate(port):
    taken = [0] * 50
    deadline = time.perf_counter() + 10

    def each(connection, client):
        first = client * 100_000_000
        while time.perf_counter() < deadline:
            post(connection, first + taken[client], 100)
            taken[client] += 100

    start = time.perf_counter()
    clients(port, 50, each)
    return sum(taken) / (time.perf_counter() - start)


def paced_p99(port):
    times = []
    lock = threading.Lock()

    def each(connection, client):
        # 20 clients, 50 requests a second each, for 5 seconds.
        start = time.perf_counter()
        for n in range(250):
            due = start + n / 50
            time.sleep(max(0.0, due - time.perf_counter()))
            began = time.perf_counter()
            post(connection, 2_000_000_000 + client * 10_000 + n * 10, 10)
            with lock:
                times.append(time.perf_counter() - began)

    clients(port, 20, each)
    return statistics.quantiles(times, n=100)[98] * 1000


def queue(port, first, links):
    def each(connection, client):
        share = links // 10
        for at in range(0, share, 10_000):
            post(connection, first + client * share + at, min(10_000, share - at))

    clients(port, 10, each)


def main(push):
    push = os.path.abspath(push)
    with tempfile.TemporaryDirectory() as folder:
        # Nothing is flushed: the intake alone is measured.
        service = Service(push, folder, 3600)
        try:
            time.sleep(1)
            print("serve_idle_rss_mib %.1f MiB" % rss_mib(service.process.pid))
            print("serve_intake_links_per_s %.0f links/s" % intake_rate(service.port))
            print("serve_intake_p99_ms %.1f ms" % paced_p99(service.port))
        finally:
            service.stop()
    with tempfile.TemporaryDirectory() as folder:
        # Flushed a second after links wait, each flush failing at once, then later each time.
        service = Service(push, folder, 1)
        try:
            queue(service.port, 3_000_000_000, 10_000)
            small = rss_mib(service.process.pid)
            queue(service.port, 3_100_000_000, 990_000)
            large = rss_mib(service.process.pid)
            print("serve_outage_rss_growth %.3f ratio" % (large / small))
        finally:
            service.stop()


if __name__ == "__main__":
    main(sys.argv[1])
