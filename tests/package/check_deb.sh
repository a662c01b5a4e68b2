#!/usr/bin/env bash
# Builds the Debian package with cpack, checks its file list and that its
# Depends line names the package of every shared library the programs link,
# unpacks it into a temporary root and runs the command-line programs from
# there; lintian, when installed, must report no error.
# Usage: check_deb.sh CPACK CPackConfig.cmake VERSION
set -uo pipefail
cpack=$1 config=$2 version=$3
command -v dpkg-deb >/dev/null || { echo "dpkg-deb missing: not a Debian system, skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if ! "$cpack" -G DEB --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack -G DEB"
    exit 1
fi
deb="$work/out/vantor-cp_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $(basename "$deb")"; exit 1; }

# Every file the operator needs, and nothing from the build beyond them.
dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sort >"$work/files"
for f in ./usr/bin/vantor-cp ./usr/bin/vantor-cli ./usr/bin/vantor-board-sim \
    ./usr/share/applications/vantor-cp.desktop \
    ./usr/share/icons/hicolor/scalable/apps/vantor-cp.svg \
    ./usr/share/icons/hicolor/64x64/apps/vantor-cp.png \
    ./usr/share/man/man1/vantor-cp.1.gz ./usr/share/man/man1/vantor-cli.1.gz \
    ./usr/share/man/man1/vantor-board-sim.1.gz \
    ./usr/share/doc/vantor-cp/copyright ./usr/share/doc/vantor-cp/changelog.gz; do
    grep -qxF "$f" "$work/files" || fail "$f is not in the package"
done
extra=$(grep -vE '^\./usr/(bin/vantor-(cp|cli|board-sim)|share/(applications|icons|man|doc)/)' "$work/files")
[ -z "$extra" ] || fail "files that do not belong in the package: $extra"

# Depends: the package of each library a program links, as dpkg-shlibdeps
# finds it (a lowest version where the library's package declares one).
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
echo "$depends" | sed 's/([^)]*)//g; s/[,|]/\n/g' | tr -d ' ' | sort -u >"$work/depends"
grep -qE '\(>= ' <<<"$depends" || fail "Depends names no lowest version: not from dpkg-shlibdeps"
dpkg -x "$deb" "$work/root" || { echo "FAIL: dpkg -x"; exit 1; }
for program in vantor-cp vantor-cli vantor-board-sim; do
    for soname in $(objdump -p "$work/root/usr/bin/$program" | awk '$1 == "NEEDED" {print $2}'); do
        path=$(ldconfig -p | awk -v s="$soname" '$1 == s && /x86-64|x32|64/ {print $NF; exit}')
        [ -n "$path" ] || { fail "$program links $soname, which is not installed"; continue; }
        owner=""
        for p in "$path" "$(readlink -f "$path")" "${path#/usr}" "/usr$path"; do
            owner=$(dpkg -S "$p" 2>/dev/null | head -1 | cut -d: -f1) && [ -n "$owner" ] && break
        done
        [ -n "$owner" ] || { fail "no package owns $path"; continue; }
        grep -qxF "$owner" "$work/depends" ||
            fail "$program links $soname of $owner, which Depends does not name"
    done
done

# The programs run from the unpacked root.
"$work/root/usr/bin/vantor-cli" --help >"$work/cli.txt" 2>&1 && grep -q -- "--port" "$work/cli.txt" ||
    { cat "$work/cli.txt"; fail "vantor-cli --help from the unpacked package"; }
# The panel answers --help without a display.
env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/vantor-cp" --help >"$work/cp.txt" 2>&1 &&
    grep -q -- "--view-log" "$work/cp.txt" ||
    { cat "$work/cp.txt"; fail "vantor-cp --help from the unpacked package"; }
"$work/root/usr/bin/vantor-board-sim" --help >"$work/sim.txt" 2>&1 && grep -q -- "--link" "$work/sim.txt" ||
    { cat "$work/sim.txt"; fail "vantor-board-sim --help from the unpacked package"; }

if command -v lintian >/dev/null; then
    lintian --fail-on error "$deb" || fail "lintian reports an error"
else
    echo "lintian is not installed: its check skipped"
fi
[ "$failed" = 0 ] && echo "PASS: $(basename "$deb")"
exit "$failed"
