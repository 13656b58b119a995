#!/usr/bin/env bash
# Installs the Debian 12 packages plumet needs to build, run and test, and only
# those that are missing. Safe to run again; quiet unless something is installed.
# Every name is a real package, never a virtual one another provides: dpkg-query
# knows only real names, so a virtual one would count as missing on every run.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  qt6-webengine-dev libqt6opengl6-dev qt6-svg-dev qt6-networkauth-dev qt6-multimedia-dev
  # libraries
  libssl-dev libplist-dev libtidy-dev libsecret-1-dev liblcms2-dev libarchive-dev libexpat1-dev
  libhunspell-dev libxml2-dev libicu-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  # the image processor: PNG, JPEG 2000, GIF and its palettes, metadata
  libpng-dev libopenjp2-7-dev libgif-dev libimagequant-dev libexiv2-dev
  # run-time helpers and test peers
  libplist-utils openssl perl libtext-textile-perl
  # movies for the movie tests are made, probed and compared with these
  ffmpeg
  # the image tests make and check their pictures with these
  libimage-exiftool-perl libvips-tools imagemagick
  # interpreters the script runner's tests run scripts with
  python3 ruby
  gnome-keyring dbus dbus-x11 libsecret-tools xvfb xauth
  # the launcher and file types are checked as installed
  desktop-file-utils shared-mime-info
  # a spelling dictionary, so the language lists have one, and the converter
  # that makes the rich editor's copy of each dictionary at build time
  hunspell-en-us qt6-webengine-dev-tools
  # a real WordPress for the XML-RPC peer tests (started privately by the tests)
  wordpress mariadb-server mariadb-client php-cli php-mysql php-xml php-mbstring php-gd
  # our AtomPub peer (tests/peer/atompub-peer.pl)
  libatompub-perl libhttp-server-simple-perl libcgi-pm-perl
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
