#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a fresh Debian 13 ("trixie") system, in a clean clone of this checkout's HEAD
# (/root/zoraven-frontend there), as root, and removes the system afterwards, on success and on
# failure. The system is made with debootstrap from the Debian mirror that apt on this machine
# already uses, with the trixie-updates suite and trixie-security from apt's security source.
#
# Usage (as root):
#   scripts/debian13-system.sh [--keep] [--dir DIR] [COMMAND [ARG...]]
#       makes the system (in DIR, which must not exist; else a new folder in /var/tmp), clones the
#       checkout into it and runs COMMAND there (default: scripts/setup.sh test); with --keep the
#       system stays for inspection or further commands, and its folder is printed
#   scripts/debian13-system.sh --in DIR [--no-clone] [COMMAND [ARG...]]
#       runs COMMAND in a system kept before, in a new clean clone of HEAD (--no-clone: in the
#       clone that is there, with its build folders); the system stays
#   scripts/debian13-system.sh --remove DIR
#       removes a kept system
# The exit status is COMMAND's. Everything mounted is unmounted again and every process left in
# the system is ended, whatever happens.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
suite=trixie
clone=/root/zoraven-frontend

say() { echo "debian13-system: $*" >&2; }
die() {
    say "$*"
    exit 2
}
usage() { die "usage: $0 [--keep] [--dir DIR] | --in DIR [--no-clone] | --remove DIR  [COMMAND [ARG...]]"; }

keep=false fresh=true dir='' action=make
folder() { # the folder that OPTION names
    if [ $# -lt 2 ] || [ -z "$2" ]; then usage; fi
    dir=$2
}
while [ $# -gt 0 ]; do
    case "$1" in
        --keep) keep=true ;;
        --dir) folder "$@" && shift ;;
        --in) folder "$@" && action=in keep=true && shift ;;
        --no-clone) fresh=false ;;
        --remove) folder "$@" && action=remove && shift ;;
        --) shift && break ;;
        -*) usage ;;
        *) break ;;
    esac
    shift
done
command=("$@")
[ ${#command[@]} -gt 0 ] || command=(scripts/setup.sh test)
[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot and mounts)"

# The system's mounts, deepest and latest first: everything mounted at or below the folder, in the
# reverse of the order of /proc/self/mountinfo, which lists mounts in the order they were made.
mounts_below() {
    awk -v d="$1" '$5 == d || index($5, d "/") == 1 { print $5 }' /proc/self/mountinfo | tac
}
# Processes whose root folder is the system's (whatever mount namespace they are in).
processes_inside() {
    local root pid
    root=$(stat -c %d:%i "$1")
    for pid in /proc/[0-9]*; do
        [ "$(stat -L -c %d:%i "$pid/root" 2>/dev/null)" = "$root" ] && echo "${pid#/proc/}"
    done
    return 0
}
end_processes() {
    local pids
    pids=$(processes_inside "$1")
    [ -z "$pids" ] && return 0
    say "ending what is still running in $1: $(tr '\n' ' ' <<<"$pids")"
    # shellcheck disable=SC2086
    kill -TERM $pids 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        pids=$(processes_inside "$1")
        [ -z "$pids" ] && return 0
        sleep 0.5
    done
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null || true
    sleep 0.5
}
unmount_all() {
    local target
    for target in $(mounts_below "$1"); do
        umount "$target" 2>/dev/null || umount --lazy "$target" || say "cannot unmount $target"
    done
    [ -z "$(mounts_below "$1")" ]
}
mount_all() {
    mount --bind "$1" "$1" # a mount point of its own: unshare --mount inside needs its / to be one
    mount --make-private "$1"
    mount -t proc proc "$1/proc"
    mount -t sysfs sysfs "$1/sys"
    mount --bind /dev "$1/dev"
    mount --make-private "$1/dev"
    mount --bind /dev/pts "$1/dev/pts"
    mount --make-private "$1/dev/pts"
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$1/dev/shm"
    mount -t tmpfs -o mode=755,nosuid,nodev run "$1/run"
}
remove_system() {
    end_processes "$1"
    unmount_all "$1" || die "something is still mounted below $1, so it stays: $(mounts_below "$1" | tr '\n' ' ')"
    rm -rf --one-file-system "$1"
}
# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    if [ -n "${system:-}" ] && [ -d "$system" ]; then
        if $keep; then
            end_processes "$system"
            unmount_all "$system" || say "something is still mounted below $system: $(mounts_below "$system" | tr '\n' ' ')"
            say "the system stays in $system (remove it with $0 --remove $system)"
        else
            remove_system "$system" && say "removed $system"
        fi
    fi
    exit "$status"
}

# The URI apt on this machine uses for a suite of its own release, from apt's own reading of its
# sources (sources.list and sources.list.d/*.list or *.sources alike).
apt_uri() {
    apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 2>/dev/null | awk -v s="$1" '$1 == s { print $2; exit }'
}

case "$action" in
    remove)
        [ -d "$dir/etc/apt" ] || die "$dir holds no system"
        remove_system "$dir"
        say "removed $dir"
        exit 0
        ;;
    in)
        if [ ! -d "$dir/etc/apt" ] || [ ! -d "$dir$clone" ]; then die "$dir holds no system made by this script"; fi
        system=$(cd "$dir" && pwd)
        trap cleanup EXIT
        trap 'exit 130' INT
        trap 'exit 143' TERM
        ;;
    make)
        if ! command -v debootstrap >/dev/null; then
            apt-get update -qq
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
        fi
        . /etc/os-release
        mirror=$(apt_uri "$VERSION_CODENAME")
        security=$(apt_uri "$VERSION_CODENAME-security")
        [ -n "$mirror" ] || die "apt names no source for $VERSION_CODENAME, so there is no Debian mirror to use"
        if [ -n "$dir" ]; then
            [ ! -e "$dir" ] || die "$dir exists already"
            mkdir -p "$dir"
            system=$(cd "$dir" && pwd)
        else
            system=$(mktemp -d "${TMPDIR:-/var/tmp}/zoraven-debian13.XXXXXX")
        fi
        chmod 755 "$system" # its / : mktemp's 700 would shut every user but root out of everything
        trap cleanup EXIT
        trap 'exit 130' INT
        trap 'exit 143' TERM
        say "making Debian 13 in $system from $mirror"
        started=$SECONDS
        debootstrap --variant=minbase "$suite" "$system" "$mirror" >"$system.debootstrap.log" 2>&1 ||
            {
                tail -n 20 "$system.debootstrap.log" >&2
                rm -f "$system.debootstrap.log"
                die "debootstrap failed"
            }
        rm -f "$system.debootstrap.log"
        rm -f "$system/etc/apt/sources.list"
        {
            printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\n' "$mirror" "$suite" "$suite"
            if [ -n "$security" ]; then
                printf '\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\n' "$security" "$suite"
            fi
        } >"$system/etc/apt/sources.list.d/debian.sources"
        [ -n "$security" ] || say "apt names no security source here: the system goes without $suite-security"
        cp /etc/resolv.conf "$system/etc/resolv.conf"
        # Packages installed in the system start no services: nothing is left running there.
        printf '#!/bin/sh\nexit 101\n' >"$system/usr/sbin/policy-rc.d"
        chmod 755 "$system/usr/sbin/policy-rc.d"
        say "made in $((SECONDS - started)) s"
        ;;
esac

mount_all "$system"
if $fresh; then
    rm -rf "${system:?}$clone"
    # Run through sudo, root clones a checkout that someone else owns.
    git -c safe.directory="$top" clone --quiet --no-hardlinks "$top" "$system$clone"
    git -C "$system$clone" checkout --quiet --detach "$(git -c safe.directory="$top" -C "$top" rev-parse HEAD)"
fi
say "running in Debian 13 ($system), in $clone at $(git -C "$system$clone" rev-parse --short HEAD): ${command[*]}"
env_in=(HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 TERM="${TERM:-dumb}"
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
[ -z "${CI:-}" ] || env_in+=(CI="$CI")
# In the background, so that a signal to this script is handled at once, not after the command.
chroot "$system" /usr/bin/env -i "${env_in[@]}" /bin/bash -c 'cd "$1" && shift && exec "$@"' bash "$clone" "${command[@]}" </dev/null &
status=0
wait $! || status=$?
say "${command[*]} ended with status $status"
exit "$status"
