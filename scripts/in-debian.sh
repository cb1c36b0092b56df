#!/usr/bin/env bash
# Runs a command in a Debian root of another release, on a clone of this tree's last commit:
#   scripts/in-debian.sh 13 'scripts/install-deps.sh && scripts/test.sh shipped'
# As root. The root is made once with debootstrap (installed if missing) in
# $DELVARONTE_ROOTS (default /var/cache/delvaronte-roots), then kept: later runs reuse it and
# bring its clone of the tree to the last commit. The mounts live in a mount namespace of the command's own, so
# nothing stays mounted when it ends, whatever way it ends.
set -euo pipefail

if (($# < 2)); then
  echo "usage: $0 12|13 COMMAND" >&2
  exit 2
fi
case "$1" in
  12) codename=bookworm ;;
  13) codename=trixie ;;
  *) echo "Debian $1: seuls 12 et 13 sont connus" >&2; exit 2 ;;
esac
if [[ $(id -u) -ne 0 ]]; then
  echo "$0 fabrique un systeme Debian avec debootstrap: relancez en root." >&2
  exit 1
fi
command=$2
src=$(cd "$(dirname "$0")/.." && pwd)
root=${DELVARONTE_ROOTS:-/var/cache/delvaronte-roots}/$codename

if [[ ! -e "$root/.made" ]]; then
  if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >/dev/null
  fi
  rm -rf "$root"
  mkdir -p "$root"
  echo "== debootstrap $codename into $root"
  debootstrap --variant=minbase "$codename" "$root" http://deb.debian.org/debian >"$root.log" 2>&1 ||
    { tail -n 20 "$root.log" >&2; exit 1; }
  # A locale that speaks UTF-8, as a desk's does.
  echo 'LANG=C.UTF-8' >"$root/etc/default/locale"
  touch "$root/.made"
fi

# The last commit, as CI sees it: what is not committed is not there. A tree cloned by an
# earlier run is moved to it, its build folders kept (a second run builds only what changed).
tree=$root/work/delvaronte
if [[ -d "$tree/.git" ]]; then
  git -C "$tree" fetch -q "$src" HEAD
  git -C "$tree" reset -q --hard FETCH_HEAD
  git -C "$tree" clean -q -ffd
else
  rm -rf "$root/work"
  mkdir -p "$root/work"
  git clone -q --no-hardlinks "$src" "$tree"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

# The engine's sandbox (bubblewrap) turns the root's mounts into slaves of "/": the root must
# be a mount point of its own for that.
exec unshare --mount --propagation private bash -euo pipefail -c '
  root=$1 command=$2
  mount --bind "$root" "$root"
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys"
  mount --rbind /dev "$root/dev"
  mount -t tmpfs tmpfs "$root/tmp"
  mount -t tmpfs tmpfs "$root/run"
  mkdir -p "$root/dev/shm" "$root/run/dbus"
  exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /work/delvaronte && $command"
' in-debian "$root" "$command"
