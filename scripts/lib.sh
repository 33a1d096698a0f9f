# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by scripts/run, scripts/test and scripts/package: installs what a
# fresh Debian 12 machine lacks, so that one command does all set-up.

TONVERA_BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev qt6-base-dev qt6-svg-dev libgl-dev fonts-dejavu-core
  pybind11-dev python3-dev python3-numpy python3-pytest python3-pandas libasound2-dev)
# Qt's own texts (box buttons, file dialogs) in German; ALSA for the
# measuring microphone (its tests read the emulator through ALSA's file plugin).
TONVERA_RUN_PACKAGES=(xvfb xauth qt6-translations-l10n libasound2)
# scripts/package: dpkg-shlibdeps (dpkg-dev) and file find the libraries the
# package needs; lintian, appstream (appstreamcli) and bash-completion check
# what it installs.
TONVERA_PACKAGE_PACKAGES=(dpkg-dev file lintian appstream bash-completion)

ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
