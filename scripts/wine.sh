# Sourced by the scripts that run the Windows build: installs Wine and the Chinese locale (Wine
# takes the ANSI code page from the locale: zh_CN.UTF-8 gives code page 936), and sets $wine and
# $wineserver to Debian's wine64 programs, on the PATH or where the package keeps them.
bash scripts/setup.sh wine64 locales xvfb xauth x11-utils fonts-wqy-microhei
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
