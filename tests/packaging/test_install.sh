#!/usr/bin/env bash
# The install puts every file where a Linux desktop finds it, the desktop entry is valid, and the
# installed programs run: cmake --install into a scratch prefix.
#   test_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
expect() {
    if [ ! -s "$prefix/$1" ]; then
        echo "missing: $1"
        status=1
    fi
}
for program in dialtally dialtally-cli dtallywr; do
    expect "bin/$program"
    expect "share/man/man1/$program.1.gz"
done
expect share/applications/dialtally.desktop
expect share/icons/hicolor/scalable/apps/dialtally.svg
for size in 16 22 24 32 48 64 128 256; do
    expect "share/icons/hicolor/${size}x${size}/apps/dialtally.png"
done
expect share/dialtally/license.txt
expect share/dialtally/DTALLY.HLP
expect share/doc/dialtally/copyright

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix/share/applications/dialtally.desktop" || status=1
else
    echo "desktop-file-validate is not installed; the desktop entry is not checked"
fi
for program in dialtally dialtally-cli dtallywr; do
    version=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --version)
    if [ "$version" != "$program (Dialtally) 1.75, revision b" ]; then
        echo "$program --version says: $version"
        status=1
    fi
done
if ! gzip -dc "$prefix/share/man/man1/dialtally-cli.1.gz" | grep -q "import\\\\-old"; then
    echo "the manual page of dialtally-cli does not tell about import-old"
    status=1
fi
[ $status -eq 0 ] && echo "installed in place: $(cd "$prefix" && find . -type f | wc -l) files"
exit $status
