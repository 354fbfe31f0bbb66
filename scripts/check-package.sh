#!/usr/bin/env bash
# Builds the Debian package in an already built folder (build/ unless given),
# lists it, and fails unless it holds the three programs with their manual pages, the
# RTU-over-TCP module, the menu entry, the icon, the copyright file and the changelog, carries
# the library dependencies dpkg-shlibdeps found and the SQL drivers it cannot, and lintian finds
# no error and no warning in it. Waive a tag only by a lintian override kept in packaging/ and
# installed with the package, with a comment saying why.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$dir/CPackConfig.cmake")
deb="$dir/rzm530-tester_${version}_$(dpkg --print-architecture).deb"
rm -f "$dir"/rzm530-tester_*.deb
(cd "$dir" && cpack -G DEB)

dpkg-deb -I "$deb"
contents=$(dpkg-deb -c "$deb")
echo "$contents"

missing=()
for path in usr/bin/rzm530-tester usr/bin/rzm530-cli usr/bin/rzm530-sim \
    "usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/rzm530-tester/rzm530-tcp.so" \
    "usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/rzm530-tester/rzm530-tools.so" \
    usr/share/man/man1/rzm530-tester.1.gz usr/share/man/man1/rzm530-cli.1.gz \
    usr/share/man/man1/rzm530-sim.1.gz \
    usr/share/doc/rzm530-tester/copyright usr/share/doc/rzm530-tester/changelog.gz \
    usr/share/applications/rzm530-tester.desktop \
    usr/share/icons/hicolor/32x32/apps/rzm530-tester.png; do
    grep -Eq " \./$path\$" <<<"$contents" || missing+=("/$path")
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6sql6-sqlite libqt6sql6-psql; do
    grep -q "$library" <<<"$depends" || missing+=("Depends on $library")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "$deb lacks: ${missing[*]}" >&2
    exit 1
fi
echo "$deb: programs, manual pages, menu entry, icon, copyright, changelog and dependencies present"

# Info tags are shown but pass; errors and warnings fail.
lintian --display-info --fail-on error,warning "$deb"
echo "$deb: lintian finds no error and no warning"
