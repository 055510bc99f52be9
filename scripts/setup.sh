#!/usr/bin/env bash
# Installs what the build and the tests need, only when something is missing,
# and generates the French locale the tests run under: compilers (GCC, and
# clang with its sanitizer and libFuzzer runtimes), Qt 6, FFTW 3, GoogleTest, Google
# Benchmark, the C++ headers for aarch64 (the core's cross-compile check), and
# the packaging checkers (AppStream, desktop-file-utils, lintian), and poppler-utils
# (the session report test reads its PDF).
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev qt6-svg-dev qt6-qpa-plugins qt6-translations-l10n
          libgl-dev libfftw3-dev libgtest-dev libbenchmark-dev locales
          clang libclang-rt-14-dev libstdc++-12-dev-arm64-cross
          appstream desktop-file-utils lintian file dpkg-dev
          poppler-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installation de : ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if ! locale -a 2>/dev/null | grep -qi '^fr_FR\.utf8$'; then
  sed -i 's/^# *fr_FR.UTF-8 UTF-8/fr_FR.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^fr_FR.UTF-8 UTF-8' /etc/locale.gen || echo 'fr_FR.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
