#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the
# benchmarks need and the machine lacks. Safe to run again: packages already
# present are left alone and nothing is fetched when all are there.
# With npm, also the optional consumers the tests read documents with.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang clang-format pkg-config
  libarchive-dev rapidjson-dev libssl-dev libexpat1-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libarchive-tools zstd xz-utils bzip2 gzip
  libgcrypt20-dev bmake git python3 python3-jsonschema mandoc
  clang-19 fiu-utils
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

# Optional: SBOM consumers of other makers that the end-to-end cases read
# the documents with (e2e/npm_check.js), in the git-ignored .npm-checkers/
# at the top of the project. Only where npm is; a failure here fails
# nothing, and the cases that need them are then skipped. The link
# .npm-checkers/check is made only once all are in (packageurl-js alone,
# which other cases use, may be there from before).
root=$(cd "$(dirname "$0")/.." && pwd)
checkers=(packageurl-js@2 @cyclonedx/cyclonedx-library@10 ajv@8 ajv-formats@3
          ajv-formats-draft2019@1 @thefaultvault/tfv-cpe-parser@1)
if command -v npm > /dev/null && [[ ! -e "$root/.npm-checkers/check" ]]; then
  echo "setup: installing ${checkers[*]} into .npm-checkers/" >&2
  if npm install --prefix "$root/.npm-checkers" --no-save --no-audit \
       --no-fund --loglevel=error "${checkers[@]}" >&2; then
    ln -sf ../e2e/npm_check.js "$root/.npm-checkers/check"
  else
    echo "setup: npm install failed; the cases that read documents with" \
         "npm's consumers will be skipped" >&2
  fi
fi
