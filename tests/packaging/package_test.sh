#!/usr/bin/env bash
# The Debian package as a user gets it. `package_test.sh BUILD_DIR VERSION CHECK`:
#   build     makes the package with cpack when it is missing or older than what it carries
#   contents  unpacks it into a temporary root, checks its fields and file list, runs its binary
#             and compares the man page's commands with those `--help` lists
#   desktop   validates the installed menu entry
#   metainfo  validates the installed AppStream metainfo
# Exit 77 (skipped) only when a validator is not installed.
set -euo pipefail

build=$(cd "$1" && pwd)
version=$2
check=$3
app_id=design.omek.lumbex
icon_sizes=(16 22 24 32 48 64 128 256 512)
modules=(lumbex-media.so lumbex-pdf.so lumbex-recognition.so)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

package() {
    local found=("$build"/lumbex_"$version"_*.deb)
    [[ -f ${found[0]} ]] || fail "no package lumbex_${version}_*.deb in $build"
    echo "${found[0]}"
}

# What the package carries, as the build tree holds it.
inputs() {
    echo "$build/lumbex" "$build/CPackConfig.cmake" "$build/packaging/lumbex.1.gz" \
        "$build/packaging/$app_id.metainfo.xml"
    for module in "${modules[@]}"; do
        echo "$build/$module"
    done
    for size in "${icon_sizes[@]}"; do
        echo "$build/packaging/icons/${size}x$size/apps/lumbex.png"
    done
}

build_package() {
    local stale=1 deb
    for input in $(inputs); do
        [[ -f $input ]] || fail "$input is missing: build the lumbex and lumbex_package_files targets first"
    done
    deb=$(ls "$build"/lumbex_"$version"_*.deb 2>/dev/null | head -n1 || true)
    if [[ -n $deb ]]; then
        stale=0
        for input in $(inputs); do
            if [[ $input -nt $deb ]]; then stale=1; fi
        done
    fi
    if ((stale)); then
        (cd "$build" && cpack --config CPackConfig.cmake >cpack.log 2>&1) ||
            { cat "$build/cpack.log" >&2; fail "cpack failed"; }
    fi
    package >/dev/null
}

unpack() {
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    dpkg-deb -x "$(package)" "$root"
}

# Width and height from a PNG's header.
png_size() {
    local bytes
    bytes=$(od -An -tu1 -j16 -N8 "$1" | tr -s ' ' | sed 's/^ //')
    read -r w0 w1 w2 w3 h0 h1 h2 h3 <<<"$bytes"
    echo "$(((w0 << 24) | (w1 << 16) | (w2 << 8) | w3))x$(((h0 << 24) | (h1 << 16) | (h2 << 8) | h3))"
}

check_contents() {
    local deb expected actual
    deb=$(package)
    [[ $(dpkg-deb -f "$deb" Package) == lumbex ]] || fail "package name"
    [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version is not $version"
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    # dpkg-shlibdeps found the libraries the binary links; the plugins are named by hand.
    for needed in libqt6core6 libqt6widgets6 libc6 qt6-qpa-plugins libqt6svg6 libavcodec59 \
        libpoppler-qt6-3 libtesseract5; do
        [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
    done

    expected=$(
        {
            echo ./usr/bin/lumbex
            echo ./usr/share/applications/$app_id.desktop
            echo ./usr/share/metainfo/$app_id.metainfo.xml
            echo ./usr/share/icons/hicolor/scalable/apps/lumbex.svg
            for size in "${icon_sizes[@]}"; do
                echo "./usr/share/icons/hicolor/${size}x$size/apps/lumbex.png"
            done
            echo ./usr/share/man/man1/lumbex.1.gz
            for module in "${modules[@]}"; do
                echo "./usr/lib/lumbex/$module"
            done
        } | sort
    )
    # Regular files only: nothing else (no tests, benchmarks or other libraries) may be installed.
    actual=$(dpkg-deb -c "$deb" | awk '$1 ~ /^-/ {print $6}' | sort)
    [[ $actual == "$expected" ]] || fail "file list differs:
$(diff <(echo "$expected") <(echo "$actual") || true)"

    unpack
    for size in "${icon_sizes[@]}"; do
        local got
        got=$(png_size "$root/usr/share/icons/hicolor/${size}x$size/apps/lumbex.png")
        [[ $got == "${size}x$size" ]] || fail "the ${size}px icon is $got"
    done
    [[ -x $root/usr/bin/lumbex ]] || fail "usr/bin/lumbex is not executable"

    local out
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/lumbex" --version)
    [[ $out == "lumbex $version" ]] || fail "--version printed \"$out\""
    local help
    help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/lumbex" --help)
    [[ $help == usage:* ]] || fail "--help printed \"$help\""

    # Each module is found where the package puts it: the commands get past loading it.
    local work icon=$root/usr/share/icons/hicolor/64x64/apps/lumbex.png
    work=$(mktemp -d)
    printf 'not a movie' >"$work/cut.mov"
    out=$("$root/usr/bin/lumbex" recording inspect "$work/cut.mov" 2>&1 || true)
    [[ $out == "The recording contains no readable video." ]] || fail "recording inspect printed \"$out\""
    "$root/usr/bin/lumbex" recognize "$icon" --qr >/dev/null 2>"$work/err" ||
        fail "recognize failed: $(cat "$work/err")"
    "$root/usr/bin/lumbex" note create "$icon" -o "$work/icon.capturenote" >/dev/null &&
        QT_QPA_PLATFORM=offscreen "$root/usr/bin/lumbex" review-pdf "$work/icon.capturenote" \
            -o "$work/icon.pdf" >/dev/null 2>"$work/err" || fail "review-pdf failed: $(cat "$work/err")"
    rm -rf "$work"

    # The man page lists exactly the commands of --help, in the same order.
    local from_help from_page
    from_help=$(sed -n 's/^  lumbex //p' <<<"$help")
    [[ -n $from_help ]] || fail "--help lists no command"
    from_page=$(zcat "$root/usr/share/man/man1/lumbex.1.gz" |
        awk '/^\.SH/ {commands = ($0 == ".SH COMMANDS")}
             listed {print; listed = 0}
             commands && /^\.B lumbex$/ {listed = 1}' |
        sed -e 's/\\-/-/g' -e 's/\\e/\\/g' -e 's/^\\&//')
    [[ $from_page == "$from_help" ]] || fail "the man page's commands differ from --help:
$(diff <(echo "$from_help") <(echo "$from_page") || true)"
    zcat "$root/usr/share/man/man1/lumbex.1.gz" | grep -q "^\.TH LUMBEX 1 .*lumbex $version" ||
        fail "the man page does not name version $version"
    if command -v groff >/dev/null; then
        local warnings
        warnings=$(zcat "$root/usr/share/man/man1/lumbex.1.gz" | groff -man -Tutf8 -ww -z 2>&1)
        [[ -z $warnings ]] || fail "groff warns about the man page: $warnings"
    fi
}

check_desktop() {
    command -v desktop-file-validate >/dev/null ||
        { echo "SKIP: desktop-file-validate is not installed (desktop-file-utils)"; exit 77; }
    unpack
    local file=$root/usr/share/applications/$app_id.desktop report
    # Hints (two main categories, on purpose) are not faults; errors and warnings are.
    report=$(desktop-file-validate "$file" 2>&1) || fail "desktop-file-validate: $report"
    if grep -Eq 'error:|warning:' <<<"$report"; then fail "desktop-file-validate: $report"; fi
    grep -qx 'Categories=Utility;Graphics;' "$file" || fail "categories"
    grep -qx 'Exec=lumbex --capture' "$file" || fail "no Capture and Explain action"
    grep -qx 'Exec=lumbex --quick-capture' "$file" || fail "no Quick Capture action"
    grep -qx 'Name=Capture and Explain' "$file" || fail "action name"
    grep -qx 'Name=Quick Capture' "$file" || fail "action name"
    grep -qx 'Exec=lumbex --record-screen' "$file" || fail "no Record Screen action"
    local icon
    icon=$(sed -n 's/^Icon=//p' "$file")
    [[ -f $root/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "icon $icon is not installed"
}

check_metainfo() {
    command -v appstreamcli >/dev/null ||
        { echo "SKIP: appstreamcli is not installed (appstream)"; exit 77; }
    unpack
    local file=$root/usr/share/metainfo/$app_id.metainfo.xml report
    report=$(appstreamcli validate --no-net "$file" 2>&1) || fail "appstreamcli: $report"
    grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$file" ||
        fail "no release entry for $version"
    grep -q "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$file" ||
        fail "the launchable does not name the installed menu entry"
}

case $check in
build) build_package ;;
contents) check_contents ;;
desktop) check_desktop ;;
metainfo) check_metainfo ;;
*) fail "unknown check $check" ;;
esac
