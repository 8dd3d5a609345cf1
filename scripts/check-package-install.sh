#!/usr/bin/env bash
# Installs the package that scripts/package.sh made on a clean Debian
# bookworm (a copy of a minimal debootstrap chroot, made once in
# build/chroot-base), then runs orrisbay-blend, orrisbay-wad and orrisbay-bsp,
# opens the window on Xvfb for a few seconds (screenshot:
# build/package/installed-window.png) and removes the package. Needs root
# and Debian's package mirror; not part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
package=$(ls build/package/orrisbay_*.deb)
base=$PWD/build/chroot-base
root=$PWD/build/chroot-test

if ! command -v debootstrap >/dev/null; then
    apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi
if [ ! -x "$base/bin/sh" ]; then
    rm -rf "$base"
    debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian
fi
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$package" "$root/tmp/"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
trap 'umount "$root/dev/pts" "$root/dev" "$root/proc"; rm -rf "$root"' EXIT

chroot "$root" /bin/bash -euo pipefail <<'INSIDE'
export DEBIAN_FRONTEND=noninteractive
cd /
apt-get update -qq
apt-get install -y -qq --no-install-recommends /tmp/orrisbay_*.deb >/dev/null
echo "installed: $(dpkg-query -W orrisbay)"
orrisbay-blend --builtin -o /tmp/x.png
orrisbay-blend --builtin --quake -o /tmp/q.png   # the palette is found beside the program
echo "orrisbay-blend wrote $(stat -c %s /tmp/x.png) and $(stat -c %s /tmp/q.png) bytes"
orrisbay-wad add /tmp/t.wad /tmp/x.png --name builtin
orrisbay-wad list /tmp/t.wad
orrisbay-bsp --version
ls /usr/share/man/man1/orrisbay*.1.gz

apt-get install -y -qq --no-install-recommends xvfb x11-apps netpbm >/dev/null
Xvfb :42 -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
sleep 2
DISPLAY=:42 orrisbay >/tmp/window.log 2>&1 &
window=$!
sleep 5
kill -0 "$window" || { cat /tmp/window.log; echo "the window did not stay open"; exit 1; }
DISPLAY=:42 xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >/tmp/window.png
kill "$window" "$xvfb"
wait || true
echo "the window stayed open on Xvfb"

apt-get remove -y -qq orrisbay >/dev/null
test ! -e /usr/bin/orrisbay && test ! -e /usr/lib/orrisbay
echo "removed"
INSIDE
cp "$root/tmp/window.png" build/package/installed-window.png
echo "Installed, run and removed on a clean bookworm; window: build/package/installed-window.png"
