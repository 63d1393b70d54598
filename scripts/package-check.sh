#!/usr/bin/env bash
# Builds the Debian package with cpack, checks its contents and dependencies with
# dpkg-deb, installs it on this machine, runs the installed orvalin-cli (a shipped
# demo signal through analyse, doctor against the simulated remote) and the
# installed orvalin on the offscreen platform against the simulated remote, and
# removes the package again, whatever happened.
#   scripts/package-check.sh [BUILD_DIR]
# Runs as root (CI) or through sudo. Refuses to run when orvalin is installed
# already: the check must not replace or remove someone's installation.
set -euo pipefail
# shellcheck source=scripts/lib/usage.sh
. "$(dirname "$0")/lib/usage.sh" && usage_if_asked "$0" "$@"
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

fail() { echo "package check: $*" >&2; exit 1; }

if dpkg-query -W -f='${Status}' orvalin 2>/dev/null | grep -q 'installed'; then
    fail "orvalin is already installed on this machine; remove it first"
fi

cmake --build "$build"
# The manual's screenshots, taken from the program just built, ship with it.
cmake --build "$build" --target manual_screenshots >"$build/package-check-screenshots.log" 2>&1 ||
    { cat "$build/package-check-screenshots.log" >&2; fail "the manual's screenshots failed"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || fail "no package version in $build/CPackConfig.cmake"
deb="$build/orvalin_${version}_amd64.deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB) >"$build/package-check-cpack.log" 2>&1 ||
    { cat "$build/package-check-cpack.log" >&2; fail "cpack failed"; }
[ -f "$deb" ] || fail "cpack made no $deb"

# Contents: every expected file, the commands as links into the program folder,
# no udev rule where udev does not read it.
listing=$(dpkg-deb -c "$deb")
contents=$(awk '{ p = $6; for (i = 7; i <= NF; ++i) p = p " " $i; print p }' <<<"$listing" |
    sed 's|^\./|/|; s| -> .*||')
missing=0
while IFS= read -r path; do
    case "$path" in '' | '#'*) continue ;; esac
    if ! grep -qxF "$path" <<<"$contents"; then
        echo "package check: missing $path" >&2
        missing=1
    fi
done <"$root/packaging/package-files.txt"
[ "$missing" -eq 0 ] || fail "files missing from the package"
# Every picture a manual page or the metainfo shows is in the package.
for page in "$build"/manual/*/index.html; do
    lang=$(basename "$(dirname "$page")")
    for picture in $(grep -o 'src="images/[^"]*"' "$page" | sed 's/^src="//; s/"$//'); do
        grep -qxF "/usr/share/doc/orvalin/manual/$lang/$picture" <<<"$contents" ||
            fail "manual/$lang/index.html shows $picture, which the package lacks"
    done
done
for picture in $(grep -o 'manual/[a-z]*/images/[^<]*\.png' "$root"/packaging/*.metainfo.xml); do
    grep -qxF "/usr/share/doc/orvalin/$picture" <<<"$contents" ||
        fail "the metainfo shows $picture, which the package lacks"
done
for command in orvalin orvalin-cli; do
    grep -q "^l.* \./usr/bin/$command -> \.\./lib/orvalin/$command\$" <<<"$listing" ||
        fail "/usr/bin/$command is not a relative link to /usr/lib/orvalin/$command"
done
if grep -q '^/usr/lib/orvalin/.*\.rules$' <<<"$contents"; then
    fail "a udev rule inside the program folder, where udev never reads it"
fi

# Dependencies come from the shared libraries.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libqt6widgets6 libusb-1.0-0 libcurl4; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library"
done
dpkg-deb -I "$deb" postinst >/dev/null || fail "no postinst"

# Debian's own checks: lintian on the package (any error or warning fails), the
# AppStream metainfo and the desktop entry as shipped.
check_lintian() {
    local report
    report=$(lintian --fail-on error,warning --display-info "$deb" 2>&1) || {
        echo "$report" >&2
        fail "lintian reports errors or warnings"
    }
    [ -z "$report" ] || echo "$report"
    echo "package check: lintian clean"
    local unpacked
    unpacked=$(mktemp -d)
    dpkg-deb -x "$deb" "$unpacked"
    appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml ||
        { rm -rf "$unpacked"; fail "appstreamcli validate failed"; }
    desktop-file-validate "$unpacked/usr/share/applications/orvalin.desktop" ||
        { rm -rf "$unpacked"; fail "desktop-file-validate failed"; }
    rm -rf "$unpacked"
}
check_lintian
# RUNPATH: no ELF file of the package may look for libraries in the current folder
# (an empty entry) or relative to it.
check_runpaths() {
    local unpacked
    unpacked=$(mktemp -d)
    dpkg-deb -x "$deb" "$unpacked"
    if ! "$root/scripts/check-runpath.sh" "$unpacked"; then
        rm -rf "$unpacked"
        fail "an ELF file of the package has an empty or relative RUNPATH entry"
    fi
    rm -rf "$unpacked"
}
check_runpaths

scratch=$(mktemp -d)
cleanup() {
    if dpkg-query -W -f='${Status}' orvalin 2>/dev/null | grep -q 'installed'; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y orvalin >/dev/null ||
            "${sudo[@]}" dpkg --purge orvalin
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb"

# The installed programs, never the ones in the build folder; the user's data stays
# out of it.
export HOME="$scratch" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export VORKEL_SIM_STATE="$scratch/remote.state" VORKEL_SIM_LATENCY_US=0
unset VORKEL_BACKEND

analysis=$(/usr/bin/orvalin-cli analyse /usr/lib/orvalin/demo-signals/nec1-press.mode2) ||
    fail "orvalin-cli analyse of the demo signal failed"
echo "$analysis"
grep -q '^type: ' <<<"$analysis" && ! grep -q '^type: none$' <<<"$analysis" ||
    fail "the demo signal was not recognised"
/usr/bin/orvalin-cli --simulated doctor || fail "orvalin-cli --simulated doctor"
if /usr/bin/orvalin-cli --help | grep -q '^  orvalin-cli info'; then
    /usr/bin/orvalin-cli --simulated info || fail "orvalin-cli --simulated info"
fi
# Any message box would wait for an answer that never comes: the time-out fails it.
# A screen of 1280 x 1024, so that the screen-size message stays away.
QT_QPA_PLATFORM="offscreen:configfile=$root/tests/data/app/offscreen-wide.json" \
    ORVALIN_EXIT_AFTER_SHOW=1 timeout 60 /usr/bin/orvalin --simulated ||
    fail "the installed orvalin did not start and close against the simulated remote"

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y orvalin
[ ! -e /usr/bin/orvalin ] && [ ! -e /usr/lib/orvalin/orvalin ] ||
    fail "files left after removing the package"
echo "package check: passed ($deb)"
