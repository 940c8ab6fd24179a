#!/bin/sh
# Tarvex.exe must import system DLLs only: the C and C++ runtimes are linked statically.
set -eu
exe="$1"
dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
echo "$dlls"
allowed="gdiplus.dll msimg32.dll advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll version.dll winmm.dll wininet.dll iphlpapi.dll imagehlp.dll hhctrl.ocx uxtheme.dll comdlg32.dll"
status=0
for dll in $dlls; do
  case " $allowed " in
    *" $dll "*) ;;
    *) echo "not a system DLL: $dll"; status=1 ;;
  esac
done
exit $status
