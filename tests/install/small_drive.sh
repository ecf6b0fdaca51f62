#!/usr/bin/env bash
# Maps a small drive S: (a 256 KiB tmpfs) into the test prefix so that an
# installation can run out of space for real; "cleanup" removes it again.
# Where mounting is not allowed, nothing is mapped and the tests that need
# the drive skip themselves.
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env"
mount_point=$UMBERLAY_WINE_DIR/small-drive
link=$WINEPREFIX/dosdevices/s:
case "${1:-}" in
  setup)
    mkdir -p "$mount_point"
    mountpoint -q "$mount_point" ||
      mount -t tmpfs -o size=256k tmpfs "$mount_point" 2>/dev/null || { echo "no small drive"; exit 0; }
    [ -d "$WINEPREFIX/dosdevices" ] && ln -sfn "$mount_point" "$link"
    echo "small drive S: mapped"
    ;;
  cleanup)
    rm -f "$link"
    mountpoint -q "$mount_point" && umount "$mount_point"
    rmdir "$mount_point" 2>/dev/null
    ;;
esac
exit 0
