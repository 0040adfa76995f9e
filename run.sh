#!/usr/bin/env bash
# Installs what is missing (Debian packages, run as root), builds, prepares the Wine prefix with the
# stand-in servers, and starts 标签打印 on the built-in demo workbook and template.
# With DISPLAY set the window opens there for you to use. Without one it runs under Xvfb and saves a
# screenshot of the window to out/window.png.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

tools/install-deps.sh
tools/build.sh

display=${DISPLAY:-}
xvfb_pid=
if [ -z "$display" ]; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap '[ -n "$xvfb_pid" ] && kill $xvfb_pid 2>/dev/null || true' EXIT
  for _ in $(seq 1 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
export DISPLAY=$display
tools/prepare-prefix.sh >/dev/null
source tools/wine-env.sh

# A private copy of the program with the demo settings: the demo never touches dist/config.ini.
demo=$root/out/demo
mkdir -p "$demo"
cp dist/labelprint.exe "$demo/"
winpath() { printf 'Z:%s' "$(echo "$1" | tr / '\\')"; }
printf '[settings]\r\n查询列=1\r\n[DATA]\r\nDB=%s\r\nTP=%s\r\n[print]\r\nprinter=\r\n' \
  "$(winpath "$root/fixtures/demo/出货清单.xlsx")" "$(winpath "$root/fixtures/demo/标签.btw")" \
  | iconv -f UTF-8 -t GBK > "$demo/config.ini"

if [ -z "$xvfb_pid" ]; then
  echo "Starting 标签打印 on $DISPLAY (demo settings in out/demo/config.ini)"
  tools/with-wine.sh wine "$demo/labelprint.exe"
  exit 0
fi

ready=$root/out/.window-ready
rm -f "$ready"
tools/with-wine.sh bash -c '
  wine "$1/bin/demo-driver.exe" "$2" "$3" &
  driver=$!
  for _ in $(seq 1 600); do [ -s "$4" ] && break; sleep 0.1; done
  if [ -s "$4" ]; then
    read -r x y w h < <(tr -d "\r" < "$4")
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut -left "$x" -top "$y" -width "$w" -height "$h" \
      | pnmtopng > "$5"
  fi
  rm -f "$4"
  wait $driver
' _ "$LABELPRINT_BUILD" "$(winpath "$demo")" "$(winpath "$ready")" "$ready" "$root/out/window.png"
echo "Screenshot of the window: out/window.png"
