#!/bin/sh
# Builds the virtual machine of the driver rig from Debian packages: the kernel of the
# linux-image-amd64 package (fetched with apt-get download), the modules of the USB serial
# driver, USB/IP, 9p and the virtio network, busybox-static as its userland, and the program
# with the libraries it loads. The kernel and the base image are kept in the folder and built
# once per machine; the program's part is made again on every call.
#   rig/build-guest.sh OUT PROGRAM ATTACH_HELPER
# Writes OUT/kernel (the uncompressed kernel) and OUT/initrd (uncompressed cpio archives, one after the other).
set -eu
out=$1
program=$2
attach=$3
rig=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The modules in load order (each after those its depends= field names).
modules="usb-common usbcore usbserial ftdi_sio usbip-core vhci-hcd
  virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci
  netfs fscache 9pnet 9pnet_virtio 9p failover net_failover virtio_net"

if [ ! -f "$out/base.cpio" ] || [ ! -f "$out/kernel" ]; then
  rm -rf "$out/deb" "$out/base"
  mkdir -p "$out/deb" "$out/base/bin" "$out/base/modules"
  package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)/\1/p' |
    head -n 1)
  (cd "$out/deb" && apt-get download "$package" >/dev/null)
  dpkg-deb -x "$out"/deb/*.deb "$out/deb/tree"
  # The uncompressed kernel inside the compressed image: QEMU starts it at its PVH entry, which
  # saves the decompression, seconds under emulation.
  python3 - "$out"/deb/tree/boot/vmlinuz-* "$out/kernel.new" <<'UNPACK'
import lzma
import sys

image = open(sys.argv[1], "rb").read()
start = image.find(b"\xfd7zXZ\x00")
if start < 0:
    sys.exit("the kernel image holds no xz stream")
kernel = lzma.LZMADecompressor(format=lzma.FORMAT_XZ).decompress(image[start:])
if not kernel.startswith(b"\x7fELF"):
    sys.exit("the kernel image's xz stream is no ELF file")
open(sys.argv[2], "wb").write(kernel)
UNPACK
  for name in $modules; do
    file=$(find "$out/deb/tree/lib/modules" -name "$name.ko" | head -n 1)
    if [ -z "$file" ]; then
      # Built into the kernel.
      continue
    fi
    cp "$file" "$out/base/modules/"
    echo "$name" >>"$out/base/modules/order"
  done
  cp /bin/busybox "$out/base/bin/busybox"
  (cd "$out/base" && find . | busybox cpio -o -H newc >"$out/base.cpio.new" 2>/dev/null)
  mv "$out/base.cpio.new" "$out/base.cpio"
  mv "$out/kernel.new" "$out/kernel"
  rm -rf "$out/deb" "$out/base"
fi

# The program's libraries (from ldd), Qt's offscreen platform with its own, fontconfig's
# configuration and one font: kept until the set of libraries changes.
qt_plugins=$(dirname "$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' | head -n 1)")
libraries=$( (ldd "$program"; ldd "$qt_plugins/libqoffscreen.so") |
  sed -n 's/.*=> \(\/[^ ]*\) .*/\1/p; s/^[[:space:]]*\(\/[^ ]*\) .*/\1/p' | sort -u)
if [ ! -f "$out/libraries.cpio" ] || [ "$(cat "$out/libraries.list" 2>/dev/null)" != "$libraries" ]; then
  rm -rf "$out/libraries"
  mkdir -p "$out/libraries/etc" "$out/libraries/usr/share/fonts"
  for library in $libraries "$qt_plugins/libqoffscreen.so"; do
    mkdir -p "$out/libraries$(dirname "$library")"
    cp -L "$library" "$out/libraries$library"
  done
  # The loader also under the name the program asks for.
  mkdir -p "$out/libraries/lib64"
  cp -L /lib64/ld-linux-x86-64.so.2 "$out/libraries/lib64/"
  cp -r /etc/fonts "$out/libraries/etc/"
  cp -r /usr/share/fonts/truetype/liberation "$out/libraries/usr/share/fonts/" 2>/dev/null ||
    cp -r /usr/share/fonts/truetype/liberation2 "$out/libraries/usr/share/fonts/"
  (cd "$out/libraries" && find . | busybox cpio -o -H newc >"$out/libraries.cpio" 2>/dev/null)
  echo "$libraries" >"$out/libraries.list"
  rm -rf "$out/libraries"
fi

# The program, the import helper and the machine's start script.
rm -rf "$out/program"
mkdir -p "$out/program/bin"
cp "$program" "$out/program/bin/korvalesen-sim"
cp "$attach" "$out/program/bin/korvalesen-usbip-attach"
cp "$rig/guest_init.sh" "$out/program/init"
chmod 755 "$out/program/init"
(cd "$out/program" && find . | busybox cpio -o -H newc >"$out/program.cpio" 2>/dev/null)
rm -rf "$out/program"
cat "$out/base.cpio" "$out/libraries.cpio" "$out/program.cpio" >"$out/initrd"
