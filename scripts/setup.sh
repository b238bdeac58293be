#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# benchmarks need and the machine lacks. Safe to run again: packages already
# present are left alone and nothing is fetched when all are there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format pkg-config
  libarchive-dev rapidjson-dev libssl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libarchive-tools zstd xz-utils bzip2 gzip
  libgcrypt20-dev bmake git python3 python3-jsonschema mandoc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
