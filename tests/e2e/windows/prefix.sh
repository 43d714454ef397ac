#!/bin/sh
# The Wine prefix of one test run.
#   prefix.sh setup <prefix> <work> <probe.exe> <probe_alt.exe>
#     finds out which loader runs this host's programs (kept in <prefix>.host for the run's
#     other tests), then makes a fresh WoW64 prefix with a persistent wineserver, the file
#     types .cvtest (opened, and printed with /print, by the probe) and .cvalt (opened by the
#     second probe) registered, .cvnone left unregistered, and an empty work folder; skipped
#     (77) where the host cannot run the probe
#   prefix.sh stop <prefix> <probe.exe>
#     ends every Wine process of the prefix and its server
set -eu
. "$(dirname "$0")/wine-host.sh"
command=$1
prefix=$2
limit=${CORVANE_WINE_TIMEOUT:-180}
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
  wine_host_decide
  wine_host_write "$prefix.host"
  if [ -d "$prefix" ]; then timeout 30 wineserver -k >/dev/null 2>&1 || true; fi
  rm -rf "$prefix" "$work"
  wine_can_run "$4" || exit "$wine_skip"
  mkdir -p "$prefix" "$work"
  # wineboot goes on for as long as it fills the prefix.
  watched "$limit" "$work/wineboot.log" "$prefix" "$wine" wineboot -i || {
    cat "$work/wineboot.log"; echo "wineboot failed ($wine)"; exit 1; }
  # The server that made the prefix goes with its services: after the first boot they cannot
  # start RpcSs, and every later desktop would wait 10 s for it.
  timeout 120 wineserver -w || echo "note: the first server of $prefix did not end"
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
  watched "$limit" "$work/regedit.log" "$prefix" \
    "$wine" regedit /s "$(reg_path "$work/types.reg" | sed 's|\\\\|\\|g')" ||
    { cat "$work/regedit.log"; exit 1; }
  echo "prefix ready: $prefix ($wine)"
  ;;
stop)
  wine_host "$prefix.host"
  wine_can_run "$3" || exit "$wine_skip"
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: prefix.sh setup <prefix> <work> <probe> <probe_alt> | stop <prefix> <probe>" >&2
  exit 2
  ;;
esac
