"""One `linkcourier-push --config` run over 3 sites x 4 engines with nothing new to send,
side by side with the single runs that do the same work, alternating; each site's sitemap holds
20,000 links, all accepted before. Prints "engines_run_overhead_ratio"."""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

from loopback import free_port, wait_until_listening

RUNS = 5
SITES = ["www.example.com", "shop.example.com", "news.example.com"]
KEY = "bench-key-0123"
LINKS = 20_000
DAILY_QUOTA = 1_000_000  # as granted to a project that asked for more than 200 a day


def sitemap(folder, site):
    path = os.path.join(folder, site + ".xml")
    with open(path, "w") as out:
        out.write('<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">')
        for n in range(LINKS):
            out.write(f"<url><loc>https://{site}/p/{n}.html</loc></url>")
        out.write("</urlset>")
    return path


def engines(root, site, account):
    """Each engine of a site: its config section and the single run's options."""
    return [
        (f'[site.google]\nservice_account = "{account}"\nendpoint = "{root}"\n'
         f'daily_quota = {DAILY_QUOTA}\n',
         ["--protocol", "google", "--service-account", account, "-i", root,
          "--daily-quota", str(DAILY_QUOTA)]),
        (f'[site.push]\ninterface_file = "{site}.url"\n',
         ["-i", f"{root}/urls?site={site}&token={KEY}"]),
        (f'[site.indexnow]\nkey_env = "BENCH_KEY"\nendpoint = "{root}/indexnow"\n'
         f'key_location = "{root}/{KEY}.txt"\n',
         ["--protocol", "indexnow", "--key", KEY, "--key-location", f"{root}/{KEY}.txt",
          "-i", f"{root}/indexnow"]),
        (f'[site.bing]\napi_key_env = "BENCH_KEY"\nendpoint = "{root}/webmaster/api.svc/json"\n',
         ["--protocol", "bing", "--key", KEY, "-i", f"{root}/webmaster/api.svc/json"]),
    ]


def seconds(commands, environment):
    start = time.perf_counter()
    for command in commands:
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
                       env=environment)
    return time.perf_counter() - start


def service_account(folder, root):
    key = os.path.join(folder, "account.pem")
    subprocess.run(["openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048",
                    "-out", key], check=True, stderr=subprocess.DEVNULL)
    subprocess.run(["openssl", "pkey", "-in", key, "-pubout", "-out", key + ".pub"], check=True)
    account = os.path.join(folder, "account.json")
    with open(key) as pem, open(account, "w") as out:
        json.dump({"client_email": "bench@example.iam.gserviceaccount.com",
                   "private_key": pem.read(), "token_uri": root + "/token"}, out)
    return account


def main(push, simulator):
    port = free_port()
    root = f"http://127.0.0.1:{port}"
    keys = tempfile.TemporaryDirectory()
    account = service_account(keys.name, root)
    arguments = [simulator, "--port", str(port), "--protocol", "indexnow", "--token", KEY,
                 "--quota", "1000000000", "--google-key", os.path.join(keys.name, "account.pem.pub")]
    for site in SITES:
        arguments += ["--site", site]
    server = subprocess.Popen(arguments, stdout=subprocess.DEVNULL)
    try:
        wait_until_listening(port)
        with tempfile.TemporaryDirectory() as folder:
            state = os.path.join(folder, "state.db")
            config = ""
            singles = []
            for site in SITES:
                map_file = sitemap(folder, site)
                with open(os.path.join(folder, site + ".url"), "w") as out:
                    out.write(f"{root}/urls?site={site}&token={KEY}\n")
                config += f'[[site]]\nname = "{site}"\nsitemaps = ["{map_file}"]\n'
                for section, options in engines(root, site, account):
                    config += section
                    singles.append([push, "--state", state, "--sitemap", map_file] + options)
            config_file = os.path.join(folder, "config.toml")
            with open(config_file, "w") as out:
                out.write(f'state = "{state}"\n' + config)
            environment = dict(os.environ, BENCH_KEY=KEY)
            one = [[push, "--config", config_file]]
            seconds(one, environment)  # everything accepted, once
            ours, theirs = [], []
            for _ in range(RUNS):
                ours.append(seconds(one, environment))
                theirs.append(seconds(singles, environment))
    finally:
        server.terminate()
        server.wait()
        keys.cleanup()
    print(f"engines_run_overhead_ratio "
          f"{statistics.median(ours) / statistics.median(theirs):.3f} ratio")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
