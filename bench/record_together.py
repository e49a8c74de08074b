"""One record under every user at once, on an SQLite file and on a PostgreSQL server (a
throwaway one, its commits kept on the disk).

record_together_ops_per_s: operations a second while, for 20 seconds, the service takes links
from 20 clients (a post of 5 links an operation) and sends them a moment later, the nightly run
of the same config runs in a loop and status and history ask the record in a loop (a command an
operation); beside it, the same run's single-user figure: the 20 clients posting alone for 20
seconds.
   python3 bench/record_together.py PUSH_PROGRAM SIMULATOR"""
import http.client
import os
import subprocess
import sys
import tempfile
import threading
import time

from serve import TOKEN, Service, free_port
from shared_record import Server

SECONDS = 20
CLIENTS = 20


def posting(port, start, end, counted):
    """Each client posts 5 new links a request until `end`; acknowledged posts are counted."""

    def run(client):
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        post = 0
        while time.monotonic() < end:
            body = "\n".join("https://www.example.com/%s/c%d/%d/%d" % (start, client, post, n)
                             for n in range(5))
            connection.request("POST", "/v1/links?site=www", body,
                               {"Authorization": "Bearer " + TOKEN, "Content-Type": "text/plain"})
            response = connection.getresponse()
            response.read()
            if response.status == 202:
                counted.append(1)
            post += 1
        connection.close()

    return [threading.Thread(target=run, args=(n,)) for n in range(CLIENTS)]


def looping(command, environment, folder, end, counted):
    def run():
        while time.monotonic() < end:
            result = subprocess.run(command, env=environment, cwd=folder,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
            if result.returncode not in (0, 5):
                raise RuntimeError("%s ended %d: %s" % (command[1], result.returncode,
                                                        result.stderr.decode()))
            counted.append(1)

    return threading.Thread(target=run)


def ops_per_second(threads, counted):
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return len(counted) / SECONDS


def measure(push, folder, state, address):
    os.makedirs(os.path.join(folder, "site"), exist_ok=True)
    with open(os.path.join(folder, "site", "index.html"), "w") as page:
        page.write("<html><body>bench</body></html>\n")
    service = Service(push, folder, 0.5, state,
                      'folder = "site"\nbase = "https://www.example.com/"', address)
    try:
        alone = []
        end = time.monotonic() + SECONDS
        single = ops_per_second(posting(service.port, "alone", end, alone), alone)
        together = []
        end = time.monotonic() + SECONDS
        asked = state if state.startswith("postgresql:") else os.path.join(folder, state)
        threads = posting(service.port, "together", end, together) + [
            looping([push, "--config", service.config, "--wait", "30", "-q"],
                    service.environment, folder, end, together),
            looping([push, "status", "--state", asked], service.environment, folder, end,
                    together),
            looping([push, "history", "--state", asked], service.environment, folder, end,
                    together)]
        return ops_per_second(threads, together), single
    finally:
        service.stop()


def main():
    # The service and the runs work in the record's folder.
    push, simulator = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        port = free_port()
        engine = subprocess.Popen([simulator, "--port", str(port), "--quota", "100000000"],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        address = "http://127.0.0.1:%d/urls?site=www.example.com&token=demo-token" % port
        server_folder = os.path.join(folder, "server")
        os.mkdir(server_folder)
        os.chmod(folder, 0o755)
        server = Server(server_folder)
        try:
            for kind, state in (("file", "state.db"), ("server", server.new_database())):
                together, single = measure(push, folder, state, address)
                print("record_together_ops_per_s %.0f ops/s (%s; the clients alone %.0f ops/s)"
                      % (together, kind, single))
        finally:
            engine.kill()
            server.control("stop")


if __name__ == "__main__":
    main()
