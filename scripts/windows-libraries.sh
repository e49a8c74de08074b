#!/usr/bin/env bash
# Cross-builds the push program's libraries for the Windows build from Debian's own sources,
# with Debian's patches applied, into build-windows-libraries/ (the toolchain file looks there).
# Debian packages zlib for mingw-w64; libxml2, CLI11, nlohmann-json and SQLite it ships for
# Linux only, and libmicrohttpd too. toml++ and xxHash are used header-only, from Debian's own headers (toml++'s source
# is not on the mirror). Nothing is done when these libraries are already there.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$PWD/build-windows-libraries
libraries="libxml2 nlohmann-json3 cli11 sqlite3 libmicrohttpd"
built="$libraries toml++ xxhash"
[ "$(cat "$prefix/done" 2>/dev/null)" = "$built" ] && exit 0

bash scripts/setup.sh g++-mingw-w64-x86-64 libz-mingw-w64-dev dpkg-dev xz-utils cmake ninja-build \
  tcl make libtomlplusplus-dev libxxhash-dev

# A private source list, so the machine's own apt configuration stays as it is.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat >"$work/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
apt_options=(-o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/nonexistent
  -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o APT::Sandbox::User=root)
apt-get "${apt_options[@]}" -qq update
# shellcheck disable=SC2086
(cd "$work" && apt-get "${apt_options[@]}" -qq source $libraries >/dev/null 2>&1)

install_from_source() {  # install_from_source PACKAGE [cmake options...]
  local source
  source=$(find "$work" -maxdepth 1 -type d -name "$1-*" | head -n 1)
  shift
  cmake -S "$source" -B "$source/build" -G Ninja -Wno-dev --no-warn-unused-cli \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@" >/dev/null
  cmake --build "$source/build" >/dev/null
  cmake --install "$source/build" >/dev/null
}

# Sitemaps are read from memory in UTF-8 or UTF-16, and gunzipped by the program itself.
install_from_source libxml2 -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_LZMA=OFF \
  -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_PROGRAMS=OFF \
  -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF \
  -DLIBXML2_WITH_MODULES=OFF
install_from_source nlohmann-json3 -DJSON_BuildTests=OFF
install_from_source cli11 -DCLI11_BUILD_TESTS=OFF -DCLI11_BUILD_EXAMPLES=OFF \
  -DCLI11_BUILD_DOCS=OFF
mkdir -p "$prefix/include"
rm -rf "$prefix/include/toml++"
cp -r /usr/include/toml++ "$prefix/include/"
cp /usr/include/xxhash.h "$prefix/include/"
# SQLite's single-file source is generated from its tree by a build for this machine (with tclsh),
# then compiled for Windows into a static library.
sqlite=$(find "$work" -maxdepth 1 -type d -name "sqlite3-*" | head -n 1)
mkdir -p "$sqlite/native" "$prefix/lib" "$prefix/include"
(cd "$sqlite/native" && ../configure --disable-tcl --disable-readline >/dev/null &&
  make sqlite3.c >/dev/null)
x86_64-w64-mingw32-gcc -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
  -c "$sqlite/native/sqlite3.c" -o "$sqlite/native/sqlite3.o"
rm -f "$prefix/lib/libsqlite3.a"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$sqlite/native/sqlite3.o"
cp "$sqlite/native/sqlite3.h" "$prefix/include/"
# libmicrohttpd, the service's HTTP side: the library alone, plain HTTP on loopback.
microhttpd=$(find "$work" -maxdepth 1 -type d -name "libmicrohttpd-*" | head -n 1)
(cd "$microhttpd" &&
  ./configure --host=x86_64-w64-mingw32 --prefix="$prefix" --disable-shared --enable-static \
    --disable-https --disable-doc --disable-examples --disable-curl --disable-nls \
    --without-gnutls >/dev/null &&
  make -C src/microhttpd -j "$(nproc)" >/dev/null && make -C src/microhttpd install >/dev/null &&
  make -C src/include install >/dev/null)
echo "$built" >"$prefix/done"
echo "built the Windows libraries into build-windows-libraries/"
