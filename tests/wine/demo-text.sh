#!/usr/bin/env bash
# Writes the demo text the main window starts with to stdout, as a file holds it:
# Windows-1251, CR LF line breaks.
set -euo pipefail
printf '%s\r\n' "               Demo File" "           " "   S=Speed скорость  /S5 " \
    "   W=Wait   задержка  1 сек   /W1       " "   C=Clear    очистка          /С1       " \
    "   F=Fill        заполнение   /F1       " "   U=Up       сдвиг вверх   /U1       " |
    iconv -f UTF-8 -t CP1251
printf '%s' "   D=Down  сдвиг вниз   /D1   " | iconv -f UTF-8 -t CP1251
