#!/bin/bash
# Checks drive A against the real UDisks2 of this Debian system instead of the test fake.
# Not part of the tests. As root: sudo scripts/check-real-udisks.sh
#
# It installs what it needs, starts its own dbus-daemon, polkitd, systemd-udevd and udisksd
# on a private system bus, and attaches a 1.44 MB FAT12 image to a loop device that a
# temporary udev rule tags as a floppy drive. Then it runs the program's drive choice,
# format and copy (build/tests/drivea_check) twice: with the drive shown as Debian shows an
# internal drive (no file system: written through mtools), and with the drive shown as
# UDisks2 shows a USB floppy drive (mounted through UDisks2). Every line that starts with
# "--" says what could not be checked here and why. At the end it stops what it started,
# each by its process id, and removes the loop device and the rule.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
set +e

packages+=(udisks2 udev dbus-bin dosfstools util-linux)
check="$build/tests/drivea_check"
work=""
loop=""
rule=/run/udev/rules.d/99-dupliva-check.rules
started=()

say() { echo "== $*"; }
skipped() { echo "-- $*"; }

clean_up() {
    local i
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        kill "${started[i]}" 2>/dev/null && wait "${started[i]}" 2>/dev/null
    done
    [ -n "$loop" ] && losetup --detach "$loop"
    rm -f "$rule"
    [ -n "$work" ] && rm -rf "$work"
}

# Starts a program in the background and remembers its process id.
start() {
    "$@" &
    started+=($!)
}

running() {
    kill -0 "${started[-1]}" 2>/dev/null
}

# The program's drive A as the given user sees it; "root" or "nobody".
as_user() {
    local user=$1
    shift
    if [ "$user" = root ]; then
        "$check" "$@"
    else
        setpriv --reuid="$user" --regid=nogroup --clear-groups "$check" "$@"
    fi
}

# Tags the loop device as a floppy drive; "internal" hides its file system from UDisks2,
# as Debian's udev rules do for fd*.
tag_floppy() {
    local hide=""
    [ "$1" = internal ] && hide=', ENV{ID_FS_USAGE}="", ENV{ID_FS_TYPE}="", ENV{ID_FS_LABEL}=""'
    mkdir -p "$(dirname "$rule")"
    echo "KERNEL==\"loop*\", ATTR{loop/backing_file}==\"$work/floppy.img\", ENV{ID_SERIAL}=\"dupliva_check_floppy\", ENV{ID_DRIVE_FLOPPY}=\"1\"$hide" >"$rule"
    udevadm control --reload
    # UDisks2 makes a drive object only when a device is added, never on a change.
    timeout 30 udevadm trigger --action=add --settle "/sys/class/block/${loop#/dev/}"
}

start_services() {
    cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
    start dbus-daemon --config-file="$work/bus.conf" --nofork
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system_bus_socket"
    for _ in $(seq 50); do [ -S "$work/system_bus_socket" ] && break; sleep 0.1; done
    say "private system bus at $DBUS_SYSTEM_BUS_ADDRESS"

    if udevadm control --ping --timeout=2 2>/dev/null; then
        udev=yes
        skipped "systemd-udevd runs already; the rule is given to it"
    else
        start /lib/systemd/systemd-udevd
        sleep 1
        if running && udevadm control --ping --timeout=5; then
            udev=yes
            say "systemd-udevd runs (pid ${started[-1]})"
        else
            skipped "systemd-udevd cannot run here: UDisks2 sees no udev data, so no drive is tagged as a floppy drive"
        fi
    fi
    start /usr/lib/polkit-1/polkitd --no-debug
    start /usr/libexec/udisks2/udisksd --no-debug
    for _ in $(seq 100); do
        busctl --system status org.freedesktop.UDisks2 >/dev/null 2>&1 && break
        sleep 0.1
    done
    busctl --system status org.freedesktop.UDisks2 >/dev/null 2>&1 || { echo "udisksd did not start"; exit 1; }
    say "udisksd $(dpkg-query -W -f='${Version}' udisks2) answers on the private bus"
}

kernel_mounts_vfat() {
    grep -qw vfat /proc/filesystems || modprobe vfat 2>/dev/null
}

# The drive choice, a format, a copy as root and as user nobody, who may neither write to
# the device nor mount without a password.
check_drive() {
    local shown=$1 drive=()
    [ "$udev" = yes ] || drive=(--drive "$loop")
    say "drive A shown as $shown"
    as_user root describe "${drive[@]}"
    if [ "$shown" = "a USB floppy drive" ] && ! kernel_mounts_vfat; then
        skipped "mounting skipped: this kernel has no vfat, so the Mount that follows the format fails, and no copy goes through a mount"
        as_user root format KORVANA2 "${drive[@]}"
        mdir -i "$loop" :: 2>/dev/null | head -1
    else
        as_user root format KORVANA1 "${drive[@]}"
        mdir -i "$loop" :: 2>/dev/null | head -1
        as_user root copy "$work"/styles/* "${drive[@]}"
        mdir -b -i "$loop" :: 2>/dev/null
    fi
    as_user nobody copy "$work"/styles/* "${drive[@]}"
}

[ "$(id -u)" -eq 0 ] || { echo "run it as root: sudo $0"; exit 2; }
install_missing_packages
[ -x "$check" ] || { cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build "$build" --target drivea_check; }
trap clean_up EXIT
work=$(mktemp -d /tmp/dupliva-udisks.XXXXXX)
chmod 755 "$work"
udev=no
start_services

truncate -s 1440k "$work/floppy.img"
MTOOLSRC=/dev/null mformat -i "$work/floppy.img" -f 1440 -v STYLES ::
mkdir "$work/styles"
for number in 01 02 03; do head -c 20000 /dev/urandom >"$work/styles/${number}Samba.sty"; done
chmod -R a+rX "$work/styles"
loop=$(losetup --find --show "$work/floppy.img") || { skipped "no loop device can be attached here"; exit 1; }
say "FAT12 image on $loop ($(stat -c '%G, mode %a' "$loop"))"

tag_floppy internal
check_drive "an internal drive"
tag_floppy usb
check_drive "a USB floppy drive"
