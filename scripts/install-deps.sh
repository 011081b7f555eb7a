#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is
# missing, so a machine that has them all downloads nothing.
set -euo pipefail
PKGS=(
  cmake ninja-build g++ ccache pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev libqcustomplot-dev libqcustomplot2.1-qt6
  libcurl4-openssl-dev libserialport-dev libasound2-dev
  socat locales xvfb xauth x11-utils libxtst-dev fonts-dejavu-core
  fonts-wqy-microhei  # Chinese texts
  qt6-translations-l10n  # Qt's own dialogs and buttons in German and Chinese
)
missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  # Another package manager may hold the lock (an unattended upgrade, a
  # second build): wait for it instead of failing. Installing waits by
  # itself; updating the lists does not, so it is tried again while the
  # lock is held, up to ten minutes.
  APT=(apt-get -o DPkg::Lock::Timeout=600)
  for try in $(seq 60); do
    if err=$($SUDO "${APT[@]}" update -qq 2>&1); then break; fi
    if ! grep -q "Could not get lock" <<<"$err" || [ "$try" = 60 ]; then
      echo "$err" >&2
      exit 1
    fi
    echo "Another package manager holds the lock; waiting."
    sleep 10
  done
  $SUDO "${APT[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
# A German locale, so the tests can check that no number conversion follows
# the C locale that Qt takes from the environment.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
