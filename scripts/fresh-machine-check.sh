#!/usr/bin/env bash
# fresh-machine-check.sh [--keep] [--windows]: the README's two commands on a machine that
# has never seen this project. Builds a clean Debian 12 root (debootstrap
# --variant=minbase bookworm, from the apt source this machine uses), clones
# the repository's committed state into it with ../shared beside it, and runs
# there, exactly as the README says:
#   1. as root, on a system without sudo:      ./run.sh, then ./test.sh
#   2. as an ordinary user with sudo, in a second fresh root and from a fresh
#      clone:                                  ./run.sh, then ./test.sh
# Without a display run.sh plays its scripted session and saves a screenshot;
# the time from its start to the panel's window is the first run's on a fresh
# machine, and is reported with the time of its steps (installing, configuring,
# building). Fails when test.sh skips a test (npm out of reach, say): a fresh
# machine runs them all. Prints the time of each step and the packages each
# run installed. Mounts are undone on every way out; --keep leaves the roots
# for a look inside. --windows instead runs scripts/windows.sh as root in one
# fresh root (with ../shared's Qt for Windows, as CI has it) and checks that
# it left the zip and the installer.
# Needs root (it re-runs itself through sudo) and a few minutes.
set -euo pipefail
source "$(dirname "$0")/common.sh"

KEEP=0
WINDOWS=0
for arg in "$@"; do
    case "$arg" in
    --keep) KEEP=1 ;;
    --windows) WINDOWS=1 ;;
    *) echo "usage: $0 [--keep] [--windows]" >&2; exit 64 ;;
    esac
done

if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=TMPDIR "$0" "$@"
fi

REPO="$ROOT"
# Resolved: a link to it would dangle inside the roots.
SHARED="$(readlink -f "$ROOT/../shared")"
[ -d "$SHARED" ] || { echo "No ../shared beside the repository ($SHARED)." >&2; exit 1; }
git -C "$REPO" rev-parse --verify HEAD >/dev/null
if [ -n "$(git -C "$REPO" status --porcelain)" ]; then
    echo "Note: uncommitted changes are not part of the check; it clones $(git -C "$REPO" rev-parse --short HEAD)."
fi

ensure_packages debootstrap

# The mirror this machine's apt uses for bookworm (deb822 or one-line sources).
mirror() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk 'BEGIN { RS=""; FS="\n" }
             /(^|\n)Suites:[^\n]*(^| )bookworm( |\n|$)/ {
                 for (i = 1; i <= NF; i++) if ($i ~ /^URIs:/) { split($i, a, " "); print a[2]; exit } }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        awk '$1 == "deb" && $3 == "bookworm" { print $2 }' "$file"
    done
}
MIRROR="${MIRROR:-$(mirror | head -n1)}"
[ -n "$MIRROR" ] || MIRROR=http://deb.debian.org/debian

WORK="$(mktemp -d "${TMPDIR:-/var/tmp}/rm740-fresh.XXXXXX")"
ROOTS=()
# Outlives the roots.
LOG="$WORK.log"
SUMMARY=()
FIRST_RUNS=()

# Processes left running inside a root (a server a test started, say).
stop_processes_in() {
    local dir="$1" proc pids=()
    for proc in /proc/[0-9]*; do
        [ "$(readlink "$proc/root" 2>/dev/null)" = "$dir" ] && pids+=("${proc#/proc/}")
    done
    [ ${#pids[@]} -eq 0 ] || kill -9 "${pids[@]}" 2>/dev/null || true
}

mounts_under() {
    awk -v dir="$1" '$2 == dir || index($2, dir "/") == 1 { print $2 }' /proc/self/mounts
}

unmount_all() {
    local dir="$1" point
    stop_processes_in "$dir"
    # Deepest first.
    for point in $(mounts_under "$dir" | sort -r); do
        umount "$point" 2>/dev/null || umount -l "$point" 2>/dev/null || true
    done
}

cleanup() {
    local status=$? dir
    for dir in "${ROOTS[@]}"; do unmount_all "$dir"; done
    if [ "$KEEP" -eq 1 ]; then
        echo "Roots kept in $WORK"
    else
        for dir in "${ROOTS[@]}"; do
            # Never delete through a mount that is still there (it could be the real /dev).
            if [ -n "$(mounts_under "$dir")" ]; then
                echo "Left $dir in place: something is still mounted under it." >&2
                return
            fi
        done
        rm -rf "$WORK"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

elapsed() {  # elapsed LABEL COMMAND...: runs COMMAND (its output also to the log), notes how long it took
    local label="$1" started=$SECONDS status=0; shift
    echo "== $label" | tee -a "$LOG"
    # The command's own status, not tee's.
    "$@" 2>&1 | tee -a "$LOG" || status=${PIPESTATUS[0]}
    SUMMARY+=("$(printf '%-58s %4d s  %s' "$label" $((SECONDS - started)) \
        "$([ $status -eq 0 ] && echo passed || echo "FAILED ($status)")")")
    return $status
}

mount_into() {
    local dir="$1"
    mount -t proc proc "$dir/proc"
    mount -t sysfs sysfs "$dir/sys"
    mount --rbind /dev "$dir/dev"
    mount --make-rslave "$dir/dev"
    # A fresh machine's /tmp: empty, and for everyone.
    mount -t tmpfs -o mode=1777 tmpfs "$dir/tmp"
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
    # Every installed machine knows localhost by name (chromedriver is
    # reached that way); debootstrap leaves /etc/hosts to the installer.
    [ -e "$dir/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n' >"$dir/etc/hosts"
    # The certificate authorities of this network's own (a proxy that looks
    # into TLS, say), as any machine on it trusts them: without them npm's
    # registry is out of reach and its tests would be skipped. ca-certificates
    # takes them in when it is installed.
    if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
        mkdir -p "$dir/usr/local/share/ca-certificates"
        cp /usr/local/share/ca-certificates/*.crt "$dir/usr/local/share/ca-certificates/"
        [ ! -x "$dir/usr/sbin/update-ca-certificates" ] || chroot "$dir" update-ca-certificates >/dev/null
    fi
}

# in_root DIR USER COMMAND: runs COMMAND with bash in DIR as USER, in the
# environment a login there would give (no display, nothing of this shell's).
in_root() {
    local dir="$1" user="$2" command="$3" home=/root
    [ "$user" = root ] || home="/home/$user"
    chroot "$dir" /usr/sbin/runuser -u "$user" -- /usr/bin/env -i \
        HOME="$home" USER="$user" LOGNAME="$user" SHELL=/bin/bash TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "$command"
}

installed_packages() {
    chroot "$1" dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort
}

# fresh_clone DIR HOME: the repository's committed state in HOME/fresh/main
# of the root DIR, with ../shared beside it.
fresh_clone() {
    local clone="$1$2/fresh"
    mkdir -p "$clone"
    git clone --quiet --no-hardlinks "$REPO" "$clone/main"
    cp -a "$SHARED" "$clone/shared"
}

# no_skips WHAT FROM: a fresh machine with the network runs every test; a skip
# in the log from line FROM on (WHAT's run) hides a gap.
no_skips() {
    local skipped
    skipped="$(tail -n +"$(($2 + 1))" "$LOG" | grep -oE 'tst_[A-Za-z0-9_]+ \.+\*\*\*Skipped' | cut -d' ' -f1 | tr '\n' ' ')"
    [ -z "$skipped" ] || { echo "$1 skipped $skipped(see the log): every test must run here" >&2; return 1; }
}

# The README's two commands in DIR as USER, from a clone in that user's home.
readme_commands() {
    local dir="$1" user="$2" home=/root
    [ "$user" = root ] || home="/home/$user"
    local clone="$dir$home/fresh"
    fresh_clone "$dir" "$home"
    [ "$user" = root ] || chroot "$dir" chown -R "$user:$user" "$home/fresh"

    installed_packages "$dir" >"$WORK/before-$user"
    local from
    # First the panel, on a clone that has never been built.
    from=$(wc -l <"$LOG")
    elapsed "./run.sh as $user" in_root "$dir" "$user" "cd ~/fresh/main && ./run.sh" || return 1
    installed_packages "$dir" >"$WORK/after-run-$user"
    [ -s "$clone/main/build/run-session.png" ] || { echo "run.sh saved no screenshot" >&2; return 1; }
    cp "$clone/main/build/run-session.png" "$WORK.run-session-$user.png"
    first_run "$user" "$from" || return 1

    from=$(wc -l <"$LOG")
    elapsed "./test.sh as $user" in_root "$dir" "$user" "cd ~/fresh/main && ./test.sh" || return 1
    no_skips test.sh "$from" || return 1
    # Both font worlds of the layout test are part of the suite.
    local tests world
    tests="$(in_root "$dir" "$user" "cd ~/fresh/main/build && ctest -N")"
    for world in tst_layout_2x tst_layout_2x_dejavu; do
        grep -qE ": $world\$" <<<"$tests" || { echo "test.sh did not run $world" >&2; return 1; }
    done
    installed_packages "$dir" >"$WORK/after-test-$user"

    echo "run.sh as $user installed $(comm -13 "$WORK/before-$user" "$WORK/after-run-$user" | wc -l) packages, among them:" \
        "$(comm -13 "$WORK/before-$user" "$WORK/after-run-$user" \
            | grep -xE 'cmake|ninja-build|g\+\+|qt6-base-dev|qt6-serialport-dev|fonts-liberation2|qt6-qpa-plugins|xvfb|xdotool|imagemagick' | tr '\n' ' ')"
    echo "test.sh as $user then installed $(comm -13 "$WORK/after-run-$user" "$WORK/after-test-$user" | wc -l) more, among them:" \
        "$(comm -13 "$WORK/after-run-$user" "$WORK/after-test-$user" \
            | grep -xE 'python3-pyatspi|dpkg-dev|file|appstream|desktop-file-utils|netcat-openbsd|curl|lintian|nodejs|chromium' | tr '\n' ' ')"
}

# first_run USER FROM: what run.sh said from line FROM of the log on: how
# long a fresh clone took to the panel's window, and its steps.
first_run() {
    local user="$1" from="$2" said window steps
    said="$(tail -n +"$(($2 + 1))" "$LOG")"
    window="$(sed -n "s/^The control panel's window is up, \(.*\) after .*/\1/p" <<<"$said")"
    [ -n "$window" ] || { echo "run.sh never said that the window is up" >&2; return 1; }
    steps="$(sed -n 's/^\(Installing\|Configuring\|Building\)\([^.]*\)\( (.*)\)\? \.\.\. done in \([^:]*\).*/\1 \4/p' <<<"$said" \
        | tr '\n' ',' | sed 's/,$//; s/,/, /g')"
    FIRST_RUNS+=("$(printf '%-10s %s to the window (%s)' "$user" "$window" "$steps")")
}

# --- a clean Debian 12 root -------------------------------------------------
BASE="$WORK/base"
echo "Mirror: $MIRROR; work folder: $WORK"
bootstrap() {
    debootstrap --variant=minbase bookworm "$BASE" "$MIRROR" >"$WORK/debootstrap.log" 2>&1 \
        || { tail -n 20 "$WORK/debootstrap.log"; return 1; }
}
elapsed "debootstrap --variant=minbase bookworm" bootstrap || exit 1
# The same sources as this machine (updates and security included).
if compgen -G "/etc/apt/sources.list.d/*.sources" >/dev/null; then
    rm -f "$BASE/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/*.sources "$BASE/etc/apt/sources.list.d/"
fi
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$BASE/etc/apt/sources.list"
echo "The clean root holds $(installed_packages "$BASE" | wc -l) packages; fonts: $(ls "$BASE/usr/share/fonts" 2>/dev/null | tr '\n' ' ')"

# scripts/windows.sh in DIR as root, from a fresh clone: the Windows build,
# its tests under Wine, the zip and the installer, their install check.
windows_commands() {
    local dir="$1" clone="$1/root/fresh" from
    fresh_clone "$dir" /root
    from=$(wc -l <"$LOG")
    elapsed "scripts/windows.sh as root" in_root "$dir" root "cd ~/fresh/main && scripts/windows.sh" || return 1
    no_skips windows.sh "$from" || return 1
    local made
    made="$(cd "$clone/main/build-windows" && ls rm740-control-*-win64.zip rm740-control-*-win64-setup.exe 2>/dev/null | wc -l)"
    [ "$made" -eq 2 ] || { echo "windows.sh left $made of the zip and the installer" >&2; return 1; }
    ls -l "$clone/main/build-windows"/rm740-control-*-win64* | tee -a "$LOG"
}

if [ "$WINDOWS" -eq 1 ]; then
    WINDOWS_RUN="$WORK/windows"
    mv "$BASE" "$WINDOWS_RUN"
    ROOTS=("$WINDOWS_RUN")
    status=0
    mount_into "$WINDOWS_RUN"
    windows_commands "$WINDOWS_RUN" || status=1
    unmount_all "$WINDOWS_RUN"
    echo
    echo "Fresh-machine check of the Windows build ($(git -C "$REPO" rev-parse --short HEAD)):"
    printf '  %s\n' "${SUMMARY[@]}"
    echo "  log: $LOG"
    [ $status -eq 0 ] && echo "fresh-machine check (Windows): passed" || echo "fresh-machine check (Windows): FAILED" >&2
    exit $status
fi

ROOT_RUN="$WORK/as-root"
USER_RUN="$WORK/as-user"
cp -a "$BASE" "$ROOT_RUN"
cp -a "$BASE" "$USER_RUN"
rm -rf "$BASE"
ROOTS=("$ROOT_RUN" "$USER_RUN")

status=0

# --- 1. as root, no sudo ----------------------------------------------------
mount_into "$ROOT_RUN"
readme_commands "$ROOT_RUN" root || status=1
unmount_all "$ROOT_RUN"

# --- 2. as an ordinary user with sudo ---------------------------------------
mount_into "$USER_RUN"
elapsed "sudo and an ordinary user with it" in_root "$USER_RUN" root \
    "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends sudo passwd >/dev/null \
     && useradd --create-home --shell /bin/bash builder \
     && echo 'builder ALL=(ALL) NOPASSWD: ALL' >/etc/sudoers.d/builder && chmod 0440 /etc/sudoers.d/builder" \
    || status=1
[ $status -ne 0 ] || readme_commands "$USER_RUN" builder || status=1
unmount_all "$USER_RUN"

echo
echo "Fresh-machine check ($(git -C "$REPO" rev-parse --short HEAD)):"
printf '  %s\n' "${SUMMARY[@]}"
echo "The first ./run.sh of a fresh clone on a fresh machine ($(nproc) cores):"
printf '  %s\n' "${FIRST_RUNS[@]}"
echo "  log: $LOG; screenshots: $WORK.run-session-*.png"
[ $status -eq 0 ] && echo "fresh-machine check: passed" || echo "fresh-machine check: FAILED" >&2
exit $status
