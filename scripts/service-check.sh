#!/usr/bin/env bash
# The push service as it is deployed: a systemd container booted from this machine's /usr with
# the package's files laid over it, the shipped example config installed as the README says
# (root's files, mode 600, only its secrets, and for the test its addresses, changed), the
# metrics drop-in the package ships, the service started against the simulator. Then its exit,
# `systemctl --failed`, the record (through `status`) and the metrics file (its mode, Prometheus's
# check) are looked at. Last the package's maintainer scripts run as dpkg runs them on an upgrade,
# a removal and a purge, and what they leave is looked at.
#   bash scripts/service-check.sh PACKAGE_ROOT     (the push .deb unpacked, its control files
#                                                  in PACKAGE_ROOT/DEBIAN)
# Where no container can boot here it says why and checks nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
package=$(realpath "$1")

if [ "$(id -u)" != 0 ] || ! command -v systemd-nspawn >/dev/null; then
  echo "the service in a booted container: skipped, it needs root and systemd-nspawn"
  exit 0
fi

work=$(mktemp -d)
servers=()
cleanup() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
root=$work/root
results=$work/results
mkdir -p "$results" "$root"/{var/lib/prometheus/node-exporter,tmp,root,run,srv/www/blog,results}

# The machine's own system, its services left off, with the package's units.
cp -a /etc "$root/"
rm -f "$root/etc/os-release" && cp /usr/lib/os-release "$root/etc/os-release"
: >"$root/etc/machine-id"
find "$root/etc/systemd/system" -path '*.wants/*' -delete
for folder in bin sbin lib lib64; do ln -s "usr/$folder" "$root/$folder"; done
cp "$package"/lib/systemd/system/linkcourier-push* "$root/etc/systemd/system/"
mkdir -p "$root/etc/systemd/system/linkcourier-push.service.d"
cp "$package/usr/share/doc/linkcourier-push/examples/linkcourier-push-metrics.conf" \
  "$root/etc/systemd/system/linkcourier-push.service.d/metrics.conf"

# The engines: the simulator on this machine's loopback, which the container shares, and a
# shop's page to fetch.
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
key=0123456789abcdef
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "$work/google.pem" 2>/dev/null
openssl pkey -in "$work/google.pem" -pubout -out "$work/public.pem"
port=$(free_port)
mkdir -p "$work/requests"
"$package/usr/bin/linkcourier-push-simulator" --port "$port" --protocol indexnow --token "$key" \
  --site www.example.com --site 127.0.0.1 --site blog.example.com \
  --google-key "$work/public.pem" --record "$work/requests" >"$work/simulator.out" 2>&1 &
servers+=($!)
mkdir -p "$work/shop" && echo "a shop page" >"$work/shop/a.html"
shop_port=$(free_port)
python3 -m http.server "$shop_port" --bind 127.0.0.1 --directory "$work/shop" >/dev/null 2>&1 &
servers+=($!)
engines="http://127.0.0.1:$port"

# The shipped example, as the README installs it.
etc=$root/etc/linkcourier
mkdir -p "$etc"
python3 - "$package/usr/share/doc/linkcourier-push/examples/linkcourier-push.toml" "$etc/sites.toml" \
  "$engines" "$key" <<'EOF'
import sys
example, target, engines, key = sys.argv[1:]
text = open(example).read()
for old, new in [
    ("https://www.example.com/sitemap.xml", "/srv/www/sitemap.xml"),
    ("https://www.example.com/0123456789abcdef.txt", f"{engines}/{key}.txt"),
    ("https://api.indexnow.org/indexnow", f"{engines}/indexnow"),
    ("https://indexing.googleapis.com", engines),
    ("https://ssl.bing.com/webmaster/api.svc/json", f"{engines}/webmaster/api.svc/json"),
    ("https://shop.example.com/sitemap_index.xml", "/srv/www/shop-index.xml"),
    ('"/etc/linkcourier/blog.indexnow-key"',
     f'"/etc/linkcourier/blog.indexnow-key"\nkey_location = "{engines}/{key}.txt"\n'
     f'endpoint = "{engines}/indexnow"'),
]:
    assert old in text, old
    text = text.replace(old, new, 1)
open(target, "w").write(text)
EOF
printf '<urlset><url><loc>https://www.example.com/p/1.html</loc></url></urlset>' \
  >"$root/srv/www/sitemap.xml"
echo "https://www.example.com/p/2.html" >"$root/srv/www/extra-links.txt"
printf '<sitemapindex><sitemap><loc>/srv/www/shop.xml</loc></sitemap></sitemapindex>' \
  >"$root/srv/www/shop-index.xml"
printf '<urlset><url><loc>http://127.0.0.1:%s/a.html</loc></url></urlset>' "$shop_port" \
  >"$root/srv/www/shop.xml"
echo "<p>the blog</p>" >"$root/srv/www/blog/index.html"
# Root's secrets, readable by root alone.
(
  umask 077
  echo "$key" >"$etc/example.indexnow-key"
  echo "$key" >"$etc/blog.indexnow-key"
  echo "$key" >"$etc/bing.key"
  echo "$engines/urls?site=127.0.0.1&token=$key" >"$etc/shop.url"
  python3 -c 'import json, sys; print(json.dumps({"type": "service_account",
    "client_email": "pusher@example.iam.gserviceaccount.com", "private_key": open(sys.argv[1]).read(),
    "token_uri": sys.argv[2] + "/token"}))' "$work/google.pem" "$engines" >"$etc/google.json"
  echo "EXAMPLE_PUSH_INTERFACE=\"$engines/urls?site=www.example.com&token=$key\"" \
    >"$etc/secrets.env"
  echo "intake-token-$key" >"$etc/intake.token"
)
# The service that takes links, as the README adds it, on a free port of the shared loopback.
printf '\n[serve]\ntoken_file = "/etc/linkcourier/intake.token"\nflush_after = 1\n' >>"$etc/sites.toml"
serve_port=$(free_port)
mkdir -p "$root/etc/systemd/system/linkcourier-push.socket.d"
printf '[Socket]\nListenStream=\nListenStream=127.0.0.1:%s\n' "$serve_port" \
  >"$root/etc/systemd/system/linkcourier-push.socket.d/port.conf"
echo "$serve_port" >"$root/etc/linkcourier-serve-port"

# In the container: the service started as the timer starts it, what it left looked at, then off.
cat >"$root/etc/linkcourier-check.sh" <<'EOF'
#!/bin/sh
systemctl start linkcourier-push.service
echo "start $?"
echo "failed $(systemctl --failed --no-legend --plain | wc -l)"
echo "metrics $(stat -c %a /var/lib/prometheus/node-exporter/linkcourier-push.prom)"
cp /var/lib/prometheus/node-exporter/linkcourier-push.prom /results/
linkcourier-push status --json >/results/status.json
journalctl --no-pager -u linkcourier-push.service >/results/journal.txt
# The service that takes links: started by its socket's first connection, ready, sending what it
# took by itself, stopped with 0.
systemctl start linkcourier-push.socket
python3 - "$(cat /etc/linkcourier-serve-port)" "$(cat /etc/linkcourier/intake.token)" <<'POST'
import sys, urllib.request
port, token = sys.argv[1:]
request = urllib.request.Request(f"http://127.0.0.1:{port}/v1/links?site=example",
    data=b"https://www.example.com/p/published.html\n",
    headers={"Authorization": f"Bearer {token}", "Content-Type": "text/plain"})
print("posted", urllib.request.urlopen(request, timeout=30).status)
POST
sleep 5
echo "serve $(systemctl is-active linkcourier-push-serve.service)"
systemctl stop linkcourier-push-serve.service linkcourier-push.socket
echo "serve stopped $(systemctl show -P ExecMainStatus linkcourier-push-serve.service)"
journalctl --no-pager -u linkcourier-push-serve.service >/results/serve-journal.txt
# The maintainer scripts: an upgrade reloads systemd and starts an enabled timer again, a removal
# stops the timer and keeps the record, only a purge takes the record.
systemctl enable --now linkcourier-push.timer 2>/dev/null
echo "# changed by an upgrade" >>/etc/systemd/system/linkcourier-push.service
sh /root/maintainer/postinst configure 0.9
echo "upgraded $(systemctl show -P NeedDaemonReload linkcourier-push.service)" \
  "$(systemctl is-active linkcourier-push.timer)"
sh /root/maintainer/prerm remove
echo "removed $(systemctl is-active linkcourier-push.timer)"
sh /root/maintainer/postrm remove
echo "record after removal $(ls /var/lib/private/linkcourier/*.db >/dev/null 2>&1 && echo kept)"
sh /root/maintainer/postrm purge
echo "record after purge $(ls -d /var/lib/private/linkcourier /var/lib/linkcourier 2>/dev/null)"
EOF
chmod +x "$root/etc/linkcourier-check.sh"
cp -r "$package/DEBIAN" "$root/root/maintainer"
cat >"$root/etc/systemd/system/linkcourier-check.service" <<'EOF'
[Unit]
Description=Look at what the push service did
After=multi-user.target

[Service]
Type=oneshot
StandardOutput=file:/results/check.txt
StandardError=file:/results/check.txt
ExecStart=/etc/linkcourier-check.sh
ExecStartPost=/bin/systemctl poweroff --no-block
EOF
mkdir -p "$root/etc/systemd/system/multi-user.target.wants"
ln -s ../linkcourier-check.service "$root/etc/systemd/system/multi-user.target.wants/"

# A build machine's policy-rc.d (a container's, which forbids starting services) is not the
# booted system's: there every action is allowed, as on a machine without one.
allow=()
if [ -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 0\n' >"$work/policy-rc.d" && chmod +x "$work/policy-rc.d"
  allow=(--bind-ro="$work/policy-rc.d:/usr/sbin/policy-rc.d")
fi
timeout 300 systemd-nspawn --quiet --boot --directory="$root" --register=no --keep-unit \
  --link-journal=no --console=pipe --bind-ro=/usr --overlay-ro="/usr:$package/usr:/usr" \
  "${allow[@]}" --bind="$results:/results" >"$work/container.txt" 2>&1 || true

fail() {
  echo "the service in a booted container: $1"
  for file in "$results"/check.txt "$results"/journal.txt "$results"/serve-journal.txt \
    "$work/container.txt"; do
    [ -f "$file" ] && sed "s|^|  $(basename "$file"): |" "$file" | tail -n 40
  done
  exit 1
}
[ -f "$results/check.txt" ] || fail "the container did not come up"
grep -qx 'start 0' "$results/check.txt" || fail "the service failed"
grep -qx 'failed 0' "$results/check.txt" || fail "systemctl --failed lists units"
grep -qx 'metrics 644' "$results/check.txt" || fail "the metrics file is not readable by all"
promtool check metrics <"$results/linkcourier-push.prom" >/dev/null ||
  fail "the metrics do not pass promtool"
for host in www.example.com 127.0.0.1 blog.example.com; do
  grep -q "\"$host\"" "$results/status.json" || fail "status shows no record of $host"
done
grep -qx 'posted 202' "$results/check.txt" || fail "the service took no link"
grep -qx 'serve active' "$results/check.txt" || fail "the service is not running"
grep -qx 'serve stopped 0' "$results/check.txt" || fail "the service did not stop with 0"
grep -rq 'p/published.html' "$work/requests" || fail "the service did not send the link it took"
grep -qx 'upgraded no active' "$results/check.txt" ||
  fail "an upgrade's postinst did not reload systemd or start the enabled timer again"
grep -qx 'removed inactive' "$results/check.txt" || fail "a removal left the timer running"
grep -qx 'record after removal kept' "$results/check.txt" || fail "a removal took the record"
grep -qx 'record after purge ' "$results/check.txt" || fail "a purge left the record"
sent=$(ls "$work/requests" | wc -l)
[ "$sent" -ge 8 ] || fail "the engines heard $sent requests"
echo "the service in a booted container: pushed every site ($sent requests), nothing failed," \
  "metrics readable and valid; the service that takes links started by its socket, sent what" \
  "it took and stopped with 0; maintainer scripts reload, stop, keep and purge as they should"
