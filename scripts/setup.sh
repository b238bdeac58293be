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

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}" >&2
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
  fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Independent checkers some end-to-end cases run when they are there (a
# purl parser); without npm or the network those cases are skipped, so
# nothing here can make setup fail.
checkers="$(cd "$(dirname "$0")/.." && pwd)/.npm-checkers"
if command -v npm > /dev/null && [[ ! -d $checkers/node_modules/packageurl-js ]]; then
  npm install --prefix "$checkers" --no-save --no-audit --no-fund \
    packageurl-js > /dev/null 2>&1 ||
    echo "setup: npm could not install packageurl-js; its cases are skipped" >&2
fi
