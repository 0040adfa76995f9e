#!/usr/bin/env bash
# Creates a fresh Wine prefix for the tests and the demo: Chinese locale, fonts that render the
# window's faces, no crash dialogs, and the stand-in automation servers registered.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
bin=$LABELPRINT_BUILD/bin

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -u >/dev/null 2>&1
wineserver -w

reg() { wine reg add "$@" /f >/dev/null 2>&1; }

# Faces the window and the message boxes ask for, mapped to Debian's fonts.
R='HKCU\Software\Wine\Fonts\Replacements'
for face in SimSun NSimSun 宋体 新宋体 'Microsoft YaHei' 微软雅黑 SimHei 黑体; do
  reg "$R" /v "$face" /t REG_SZ /d 'WenQuanYi Micro Hei'
done
reg "$R" /v Arial /t REG_SZ /d 'Liberation Sans'
reg "$R" /v 'Arial Narrow' /t REG_SZ /d 'Liberation Sans Narrow'
# Chinese captions in Arial fall back to the CJK font.
L='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in 'Liberation Sans' 'Liberation Sans Narrow' Arial 'Arial Narrow'; do
  reg "$L" /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei'
done

reg 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d 'x11,null'
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N

# The stand-ins answer for BarTender and Excel in this prefix only.
for server in bartender-standin excel-standin; do
  if [ -f "$bin/$server.exe" ]; then wine "$bin/$server.exe" /regserver >/dev/null 2>&1; fi
done
# https addresses open in a recorder instead of a browser.
if [ -f "$bin/url-recorder.exe" ]; then wine "$bin/url-recorder.exe" /register >/dev/null 2>&1; fi
# So do local .html pages, such as the help page beside the program.
if [ -f "$bin/url-recorder.exe" ]; then
  reg 'HKCR\.html' /ve /t REG_SZ /d htmlfile
  reg 'HKCR\htmlfile\shell\open\command' /ve /t REG_SZ /d "\"$(echo "Z:$bin/url-recorder.exe" | tr / '\\')\" \"%1\""
fi
# The support library's automation server: LabelSupport.Radix, LabelSupport.CodeTrans, LabelSupport.Wait.
if [ -f "$bin/labelsupport.dll" ]; then wine regsvr32 /s "Z:$bin/labelsupport.dll" >/dev/null 2>&1; fi
# Its x86 build, for 32-bit script hosts (the mingw-x86 preset).
x86=$LABELPRINT_ROOT/build/mingw-x86/bin/labelsupport.dll
if [ -f "$x86" ] && [ "$LABELPRINT_WIN32" = 1 ]; then
  wine 'C:\windows\syswow64\regsvr32.exe' /s "Z:$x86" >/dev/null 2>&1
fi
wineserver -w
echo "Wine prefix ready: $WINEPREFIX"
