#!/usr/bin/env bash
# shellcheck disable=SC2016 # the stand-ins' code is theirs to expand
# scripts/install-deps on a fresh host whose package mirror is half synced, against stand-ins
# for apt-get, dpkg, dpkg-query, id and sudo put first on PATH: no package manager is touched.
#   install_deps_test.sh <repository>
set -u
repo=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir "$root/bin"
failures=0
fail() { echo "FAIL: $row: $*"; failures=$((failures + 1)); }

# The stand-ins keep the host in $root/host: installed, arch and unresolvable (one name a line),
# updates_failing (how many more updates fail); calls gets every apt-get call without options.
stand_in() {
  printf '#!/bin/sh\nhost=%s\n%s\n' "$root/host" "$2" >"$root/bin/$1"
  chmod +x "$root/bin/$1"
}
stand_in id 'echo 1000'
stand_in sudo 'exec "$@"'
stand_in dpkg-query 'eval "p=\${$#}"; grep -qx "$p" "$host/installed" && printf "ok installed"'
stand_in dpkg 'case $1 in --print-*) cat "$host/arch" ;; --add-*) echo "$2" >>"$host/arch" ;; esac'
stand_in apt-get '
set -- $(echo "$*" | sed "s/ -[-a-z]*//g")
echo "$*" >>"$host/calls"
if [ "$1" = update ]; then
  n=$(cat "$host/updates_failing")
  [ "$n" -gt 0 ] || exit 0
  echo $((n - 1)) >"$host/updates_failing"
  echo "E: File has unexpected size (374820 != 376004). Mirror sync in progress?"
  exit 100
fi
shift
for p; do ! grep -qx "$p" "$host/unresolvable" || { echo "E: broken packages"; exit 100; }; done
printf "%s\n" "$@" >>"$host/installed"'

run() {
  : >"$root/host/calls"
  output=$(PATH="$root/bin:$PATH" CORVANE_TEST_HOST_I386=$i386 CORVANE_APT_RETRY_SECONDS=0 \
    bash "$repo/scripts/install-deps" 2>&1)
  status=$?
  calls=$(paste -sd';' "$root/host/calls")
}

# row | host runs i386 | updates failing | unresolvable | status | a line said | wine32 after |
# apt-get calls of the next run
while IFS='|' read -r row i386 updates unresolvable want_status said want_wine32 rerun; do
  rm -rf "$root/host" && mkdir "$root/host" && touch "$root/host/installed" "$root/host/arch"
  echo "$updates" >"$root/host/updates_failing" && echo "$unresolvable" >"$root/host/unresolvable"
  run
  [ "$status" -eq "$want_status" ] || fail "exit code $status, not $want_status: $output"
  grep -q "^install-deps: .*$said" <<<"$output" || fail "no line says '$said': $output"
  wine32=$(grep -qx wine32:i386 "$root/host/installed" && echo yes || echo no)
  [ "$wine32" = "$want_wine32" ] || fail "wine32 installed: $wine32"
  if [ "$i386" = no ] && grep -q i386 "$root/host/arch" "$root/host/calls"; then
    fail "i386 asked for on a host that cannot execute it: $calls"
  fi
  [ "$rerun" != - ] || continue
  run
  if [ "$status" -ne 0 ] || [ "$calls" != "$rerun" ]; then
    fail "the next run (exit code $status) called apt-get '$calls', not '$rerun': $output"
  fi
done <<'ROWS'
update fails once|yes|1||0|update failed (try 1 of 3)|yes|
update fails for good, the old lists do|no|9||0|update failed 3 times|no|
wine32 unresolvable|yes|0|wine32:i386|0|wine32 could not be installed|no|update;install wine32:i386
another package unresolvable|yes|0|xvfb|1|installing .*xvfb.* failed|no|-
ROWS

# The probe itself: a host that runs wine32's loader plainly executes i386 programs.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  row="host_runs_i386 where wine32 runs"
  (. "$repo/tests/e2e/windows/wine-host.sh" && host_runs_i386) || fail "it says no"
fi
[ "$failures" -eq 0 ]
