#!/usr/bin/env bash
# Compiles the viewer's sources for Windows with MinGW-w64, syntax only, to
# catch mistakes in the Windows branches (winsock2, localtime_s, the GB2312
# record file name) that the Linux build never compiles. OpenCV's and
# freeglut's headers are taken from this machine; nothing is linked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  [ "$(id -u)" -eq 0 ] && SUDO= || SUDO=sudo
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq g++-mingw-w64-x86-64-posix >/dev/null
fi
headers=$(mktemp -d)
trap 'rm -rf "$headers"' EXIT
mkdir -p "$headers/GL"
cp /usr/include/GL/freeglut*.h /usr/include/GL/glut.h "$headers/GL/"
status=0
for source in app/*.cpp device/*.cpp pipeline/*.cpp console/*.cpp viewer/*.cpp; do
  x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -I. -I/usr/include/opencv4 -I"$headers" \
    -fsyntax-only "$source" || status=1
done
[ $status -eq 0 ] && echo "Windows syntax check passed"
exit $status
