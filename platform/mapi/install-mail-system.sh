#!/usr/bin/env bash
# Makes OrrelTestMapi the mail system of a Wine prefix, so that the "MAPI
# E-Mail" tool is offered and opens its message there (the demo's mail
# system; tests install it themselves):
#   HKLM\Software\Clients\Mail           (default) = "Orrel Test Mail"
#   HKLM\Software\Clients\Mail\Orrel Test Mail  DLLPathEx = the provider
#   win.ini [MAIL] MAPI=1                (the user's profile settings)
# The provider records every call in %TEMP%\orrel-mapi-record.txt.
#
#   platform/mapi/install-mail-system.sh [bin folder]   (default: build/bin)
# Uses WINEPREFIX and ORREL_BUILD_DIR as scripts/wine-env.sh sets them.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/wine-env.sh"
bin=${1:-$ORREL_BUILD_DIR/bin}
dll=$(cd "$bin" && pwd)/OrrelTestMapi.dll
[ -f "$dll" ] || { echo "install-mail-system: $dll not built" >&2; exit 1; }
windll="Z:${dll//\//\\}"
orrel_wine_prefix_ready

wine reg add 'HKLM\Software\Clients\Mail' /ve /d 'Orrel Test Mail' /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Clients\Mail\Orrel Test Mail' /v DLLPathEx /d "$windll" /f >/dev/null 2>&1

# win.ini is read by the profile functions as a file.
ini="$WINEPREFIX/drive_c/windows/win.ini"
touch "$ini"
if grep -qi '^\[mail\]' "$ini"; then
  if ! tr -d "\r" <"$ini" | awk '/^\[/{s=tolower($0)} s=="[mail]" && tolower($0)=="mapi=1"{f=1} END{exit !f}'; then
    echo "install-mail-system: $ini has a [MAIL] section; set MAPI=1 in it" >&2
    exit 1
  fi
else
  printf '[MAIL]\r\nMAPI=1\r\n' >>"$ini"
fi
wineserver -w
echo "OrrelTestMapi is the mail system of $WINEPREFIX"
