#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's registry only.
# Safe to run again: each step checks whether its work is already done.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deps="${TAVREL_DEPS:-$here/build/deps}"
mkdir -p "$deps"

packages=(
  g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth cmake ninja-build
  googletest nlohmann-json3-dev libboost1.81-dev libgl1-mesa-dri libglx-mesa0
  fonts-dejavu-core fonts-noto-mono ca-certificates openssl python3 python3-docx
  libreoffice-writer-nogui libxml2-utils unzip dpkg-dev clang libclang-rt-14-dev g++
  node-markdown-it chromium esbuild node-punycode node-entities chromium-driver
  python3-selenium unicode-data
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Source packages come from newer suites than the machine's own: add deb-src entries for them,
# on the mirror the machine already uses.
src_list=/etc/apt/sources.list.d/tavrel-src.sources
if [ ! -f "$src_list" ]; then
  mirror=$(grep -h -m1 -E '^URIs: .*debian/?$' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{print $2}' || true)
  [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
  cat > "$src_list" <<SRC
Types: deb-src
URIs: $mirror
Suites: trixie sid
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -qq
fi

# fetch_source NAME VERSION TARBALL SHA256: the orig tarball is what we build from. apt may
# exit non-zero when the .dsc is missing from the mirror although the tarball arrived, so the
# file and its checksum decide.
fetch_source() {
  local name=$1 version=$2 tarball=$3 sum=$4
  if [ ! -f "$deps/$tarball" ] || ! echo "$sum  $deps/$tarball" | sha256sum -c --status; then
    (cd "$deps" && apt-get source --download-only "$name=$version" >/dev/null 2>&1 || true)
  fi
  if [ ! -f "$deps/$tarball" ]; then
    echo "setup: could not download $tarball" >&2; exit 1
  fi
  if ! echo "$sum  $deps/$tarball" | sha256sum -c --status; then
    echo "setup: checksum mismatch for $tarball" >&2; exit 1
  fi
}

fetch_source md4c 0.5.2-2 md4c_0.5.2.orig.tar.gz \
  55d0111d48fb11883aaee91465e642b8b640775a4d6993c2d0e7a8092758ef21
if [ ! -f "$deps/md4c/src/md4c.h" ]; then
  rm -rf "$deps/md4c" && mkdir -p "$deps/md4c"
  tar -xzf "$deps/md4c_0.5.2.orig.tar.gz" -C "$deps/md4c" --strip-components=1
fi

if [ "${TAVREL_WITH_IMGUI:-1}" = 1 ]; then
  fetch_source imgui 1.92.2b+ds-1 imgui_1.92.2b+ds.orig.tar.xz \
    e7bd201d56b5ee90d24d5dac85e5c12f98bdb95410252a62d27b7f89e4566d48
  if [ ! -f "$deps/imgui/imgui.h" ]; then
    rm -rf "$deps/imgui" && mkdir -p "$deps/imgui"
    tar -xJf "$deps/imgui_1.92.2b+ds.orig.tar.xz" -C "$deps/imgui" --strip-components=1
  fi
fi

# The cross build must see nlohmann's and Boost's headers and nothing else of /usr/include.
mkdir -p "$deps/mingw-include"
for library in nlohmann boost; do
  if [ ! -e "$deps/mingw-include/$library" ]; then
    ln -s "/usr/include/$library" "$deps/mingw-include/$library"
  fi
done
echo "setup: done"
