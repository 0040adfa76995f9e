#!/usr/bin/env bash
# Installs what is missing (Debian packages, run as root), builds, prepares the Wine prefix with the
# stand-in servers, and runs 标签打印 on the built-in demo shipping list and label template.
# With DISPLAY set, the window opens there for you to use; printed labels land in out/labels/.
# Without one, it plays a short operator session under Xvfb (spare items, a key from the demo list,
# Enter, quantity 2, Enter, 打印) and leaves out/window.png and the printed label images in out/labels/.
# SCALE sets the display scaling in percent (SCALE=150 ./run.sh): the program runs at that DPI, and the
# Wine prefix goes back to 100 % afterwards.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

scale=${SCALE:-100}
if ! [[ $scale =~ ^[0-9]+$ ]] || [ "$scale" -lt 100 ] || [ "$scale" -gt 300 ]; then
  echo "SCALE is the display scaling in percent, 100 to 300 (as 125, 150, 200), not '$scale'" >&2
  exit 2
fi
dpi=$((96 * scale / 100))

tools/install-deps.sh
tools/build.sh

display=${DISPLAY:-}
xvfb_pid=
if [ -z "$display" ]; then
  display=:$((90 + RANDOM % 100))
  # Room for the window at its scaled size.
  Xvfb "$display" -screen 0 $((1024 * scale / 100))x$((768 * scale / 100))x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap '[ -n "$xvfb_pid" ] && kill $xvfb_pid 2>/dev/null || true' EXIT
  for _ in $(seq 1 50); do [ -S "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
export DISPLAY=$display
tools/prepare-prefix.sh >/dev/null
source tools/wine-env.sh

winpath() { printf 'Z:%s' "$(echo "$1" | tr / '\\')"; }
demo=$root/out/demo
labels=$root/out/labels
rm -rf "$labels"
mkdir -p "$demo" "$labels"

# The demo's own settings file; dist/config.ini is never touched.
printf '[settings]\r\n查询列=1\r\n[DATA]\r\nDB=%s\r\nTP=%s\r\n[print]\r\nprinter=\r\n' \
  "$(winpath "$root/fixtures/demo/出货清单.xlsx")" "$(winpath "$root/fixtures/demo/标签.btw")" \
  | iconv -f UTF-8 -t GBK > "$demo/config.ini"
# Where the BarTender stand-in puts what it prints.
key='HKCU\Software\LabelPrint\Standins\BarTender'
wine reg add "$key" /v OutputFolder /t REG_SZ /d "$(winpath "$labels")" /f >/dev/null 2>&1
wine reg add "$key" /v PrintLog /t REG_SZ /d "$(winpath "$labels/prints.log")" /f >/dev/null 2>&1
wineserver -w

if [ -z "$xvfb_pid" ]; then
  cp dist/labelprint.exe "$demo/"
  rm -rf "$demo/help"
  cp -r dist/help "$demo/help"
  echo "Starting 标签打印 on $DISPLAY at ${scale} % with the demo settings (out/demo/config.ini); printed labels go to out/labels/"
  tools/with-wine.sh tools/with-dpi.sh "$dpi" wine "$demo/labelprint.exe"
  exit 0
fi

echo "Playing a demo session under Xvfb at ${scale} %:"
ready=$root/out/.window-ready
rm -f "$ready" "$root/out/window.png"
tools/with-wine.sh tools/with-dpi.sh "$dpi" bash -c '
  wine "$1/bin/demo-driver.exe" "$2" "$3" A1001 &
  driver=$!
  for _ in $(seq 1 900); do [ -s "$4" ] && break; sleep 0.1; done
  if [ -s "$4" ]; then
    read -r x y w h < <(tr -d "\r" < "$4")
    xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut -left "$x" -top "$y" -width "$w" -height "$h" \
      | pnmtopng > "$5"
  fi
  rm -f "$4"
  wait $driver
' _ "$LABELPRINT_BUILD" "$(winpath "$demo/config.ini")" "$(winpath "$ready")" "$ready" "$root/out/window.png"

[ -s out/window.png ] && echo "Screenshot of the window: out/window.png"
for image in out/labels/*.png; do [ -e "$image" ] && echo "Printed label: $image"; done
exit 0
