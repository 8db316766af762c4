#!/usr/bin/env bash
# The packages of scripts/package as a user gets them. Usage: package_test.sh deb|zip
#   deb  installs the .deb with apt into a fresh Debian root (mmdebstrap), so that its Depends
#        alone must bring what it needs; runs quorvan there (--version, --list, the window on
#        an X server) and checks the files it installed
#   zip  unpacks the Windows zip and runs the packaged quorvan.exe under Wine against the
#        stand-in wlanapi.dll, with the end-to-end test of the windows tree
set -euo pipefail
cd "$(dirname "$0")/../.."
packages=$PWD/build/packages
fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d "$PWD/build/package-test.XXXXXX")
cleanup() {
  [[ -n "${xvfb:-}" ]] && kill "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
version=$(sed -n 's/^project(quorvan VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)

case "${1:-}" in
  deb)
    deb="$packages/quorvan_${version}_amd64.deb"
    [[ -f "$deb" ]] || fail "no $deb: run scripts/package first"
    root="$scratch/root"
    # Debian's essential packages and apt, nothing else; then the package, with what it depends on.
    mmdebstrap --quiet --variant=apt \
      --customize-hook="copy-in $deb /tmp" \
      --customize-hook="chroot \"\$1\" apt-get install -y -qq /tmp/$(basename "$deb")" \
      bookworm "$root" >"$scratch/mmdebstrap.log" 2>&1 ||
      { tail -20 "$scratch/mmdebstrap.log" >&2; fail "the package did not install into a fresh root"; }
    in_root() { chroot "$root" env -u DISPLAY -u WAYLAND_DISPLAY LC_ALL=C.UTF-8 "$@"; }

    [[ $(in_root quorvan --version | head -1) == "quorvan $version" ]] || fail "--version"
    in_root quorvan --version | grep -qx "License: MIT <https://opensource.org/licenses/MIT>" ||
      fail "--version does not name the license"
    in_root quorvan --simulate --list >"$scratch/list.tsv" || fail "--simulate --list failed"
    (($(wc -l <"$scratch/list.tsv") > 10)) || fail "--simulate --list: $(cat "$scratch/list.tsv")"
    in_root quorvan --simulate --list --format=json | jq -e 'length > 10' >/dev/null ||
      fail "--format=json"

    for file in usr/bin/quorvan usr/share/man/man1/quorvan.1.gz usr/share/doc/quorvan/copyright \
      usr/share/doc/quorvan/changelog.gz usr/share/metainfo/org.quorvan.quorvan.metainfo.xml \
      usr/share/icons/hicolor/{16x16,32x32,48x48,96x96}/apps/quorvan.png; do
      [[ -f "$root/$file" ]] || fail "not installed: /$file"
    done
    # The sensor service: its unit as in the tree, its options a conffile, and not enabled.
    cmp "$root/lib/systemd/system/quorvan-sensor.service" res/systemd/quorvan-sensor.service ||
      fail "the installed /lib/systemd/system/quorvan-sensor.service"
    cmp "$root/etc/default/quorvan-sensor" res/systemd/quorvan-sensor.default ||
      fail "the installed /etc/default/quorvan-sensor"
    # shellcheck disable=SC2016 # a dpkg-query field, not a shell variable
    conffiles=$(in_root dpkg-query -W -f='${Conffiles}' quorvan)
    grep -q '^ /etc/default/quorvan-sensor [0-9a-f]\{32\}$' <<<"$conffiles" ||
      fail "/etc/default/quorvan-sensor is not a conffile: '$conffiles'"
    enabled=$(find "$root/etc/systemd" -name 'quorvan-sensor*' 2>/dev/null)
    [[ -z "$enabled" ]] || fail "the service is enabled: $enabled"
    desktop-file-validate "$root/usr/share/applications/quorvan.desktop" ||
      fail "desktop-file-validate"
    appstreamcli validate --no-net "$root/usr/share/metainfo/org.quorvan.quorvan.metainfo.xml" ||
      fail "appstreamcli validate"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/man1/quorvan.1.gz" | grep -q "^EXIT STATUS" ||
      fail "the installed manual does not render"

    # The window, as a desktop starts it: on an X server, through the xcb plugin the package's
    # dependencies bring. Its title counts down once the window is up.
    display=:$((100 + RANDOM % 400))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp &
    xvfb=$!
    for _ in $(seq 50); do [[ -e "/tmp/.X11-unix/X${display#:}" ]] && break; sleep 0.1; done
    mkdir -p "$root/tmp/.X11-unix"
    unshare -m sh -c "mount --bind /tmp/.X11-unix '$root/tmp/.X11-unix' &&
      exec chroot '$root' env DISPLAY=$display XDG_RUNTIME_DIR=/tmp timeout 30 quorvan --simulate" \
      >"$scratch/window.log" 2>&1 &
    window=$!
    titled=false
    for _ in $(seq 100); do
      sleep 0.2
      if DISPLAY=$display xwininfo -root -tree | grep -q '"Quorvan_V20160130: oqli - '; then
        titled=true
        break
      fi
    done
    $titled || fail "no window titled 'Quorvan_V20160130: oqli - N' on the X server: $(cat "$scratch/window.log")"
    kill -0 "$window" 2>/dev/null || fail "the window ended by itself: $(cat "$scratch/window.log")"
    kill "$window"
    wait "$window" 2>/dev/null || true
    echo "package deb: installed into a fresh Debian root, ran, opened its window; 1 passed, 0 failed"
    ;;
  zip)
    zip="$packages/quorvan-${version}-windows-x64.zip"
    [[ -f "$zip" ]] || fail "no $zip: run scripts/package first"
    unzip -q "$zip" -d "$scratch"
    folder="$scratch/quorvan-${version}-windows-x64"
    [[ $(cd "$folder" && ls | sort | tr '\n' ' ') == "LICENSE.txt README.txt quorvan.exe " ]] ||
      fail "the zip holds: $(cd "$scratch" && find . -type f)"
    for text in README.txt LICENSE.txt; do
      file "$folder/$text" | grep -q "with CRLF line terminators" || fail "$text: not CRLF text"
    done
    grep -q "MIT License" "$folder/LICENSE.txt" || fail "LICENSE.txt is not the license"
    file "$folder/quorvan.exe" | grep -q "PE32+ executable (GUI) x86-64" || fail "quorvan.exe"
    # The stand-in Native Wifi service next to the program, as in the windows tree's own test.
    cp build/windows/bin/wlanapi.dll "$folder/"
    QUORVAN_EXE_FOLDER="Z:$(tr / '\\' <<<"$folder")" cmake/wine-run build/windows/wine/prefix \
      build/windows/bin/windows_end_to_end_tests.exe || fail "the packaged quorvan.exe under Wine"
    echo "package zip: unpacked and ran under Wine; 1 passed, 0 failed"
    ;;
  *)
    echo "usage: package_test.sh deb|zip" >&2
    exit 2
    ;;
esac
