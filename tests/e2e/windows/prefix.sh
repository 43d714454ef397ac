#!/bin/sh
# The Wine prefix of one test run.
#   prefix.sh setup <prefix> <work> <probe.exe> <probe_alt.exe>
#     a fresh WoW64 prefix with a persistent wineserver, the file types .cvtest (opened, and
#     printed with /print, by the probe) and .cvalt (opened by the second probe) registered,
#     .cvnone left unregistered, and an empty work folder
#   prefix.sh stop <prefix>
#     ends every Wine process of the prefix and its server
set -eu
command=$1
prefix=$2
export WINEPREFIX="$prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY  # nothing of the prefix's own may hold on to a display
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="

# Wine sees the host's / as drive Z:; a .reg file doubles every backslash.
reg_path() { printf 'Z:%s' "$1" | sed 's|/|\\\\|g'; }

case "$command" in
setup)
  work=$3
  probe=$(reg_path "$4")
  probe_alt=$(reg_path "$5")
  if [ -d "$prefix" ]; then timeout 30 wineserver -k >/dev/null 2>&1 || true; fi
  rm -rf "$prefix" "$work"
  mkdir -p "$prefix" "$work"
  timeout -k 5 180 wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || {
    cat "$work/wineboot.log"; echo "wineboot failed"; exit 1; }
  # The server that made the prefix goes with its services: after the first boot they cannot
  # start RpcSs, and every later desktop would wait 10 s for it.
  timeout 60 wineserver -w || echo "note: the first server of $prefix did not end"
  # The server of the run is started here, with no pipes of ctest's: a server started by a
  # test would inherit that test's pipes, and ctest would wait for their end for ever.
  wineserver -p </dev/null >/dev/null 2>&1 || echo "note: a server of $prefix was running"
  cat >"$work/types.reg" <<REG
REGEDIT4

[HKEY_CLASSES_ROOT\\.cvtest]
@="corvane.cvtest"

[HKEY_CLASSES_ROOT\\corvane.cvtest\\shell\\open\\command]
@="\\"$probe\\" \\"%1\\""

[HKEY_CLASSES_ROOT\\corvane.cvtest\\shell\\print\\command]
@="\\"$probe\\" /print \\"%1\\""

[HKEY_CLASSES_ROOT\\.cvalt]
@="corvane.cvalt"

[HKEY_CLASSES_ROOT\\corvane.cvalt\\shell\\open\\command]
@="\\"$probe_alt\\" \\"%1\\""
REG
  timeout -k 5 60 wine regedit /s "$(reg_path "$work/types.reg" | sed 's|\\\\|\\|g')" \
    </dev/null >"$work/regedit.log" 2>&1 || { cat "$work/regedit.log"; exit 1; }
  echo "prefix ready: $prefix"
  ;;
stop)
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: prefix.sh setup <prefix> <work> <probe> <probe_alt> | stop <prefix>" >&2
  exit 2
  ;;
esac
