# What the scripts that run Wine for the Windows tests share (sourced by wine-run and prefix.sh):
# which loader runs this host's Windows programs, and a run that is ended once it stops getting
# anywhere, however long it takes while it does.

# Some hosts cannot execute i386 programs, and Debian's wine script still picks the 32-bit
# loader once wine32 is installed. There the 64-bit loader runs the x64 programs (WINELOADER
# makes Wine start every further process with it too) and the x86 build cannot run at all.
# CORVANE_NO_WINE32=1 takes that path on any host.
#   wine_host_decide: finds out, sets wine32 (yes or no), wine32_reason and wine
#   wine_host <state file>: the same, read from the file that the decision was written to, so
#     that a test run finds out once; without the file, decides for itself
wine_host_decide() {
  wine32=no
  if [ -n "${CORVANE_NO_WINE32:-}" ] && [ "$CORVANE_NO_WINE32" != 0 ]; then
    wine32_reason="CORVANE_NO_WINE32 is set"
  elif [ ! -x /usr/lib/wine/wine ]; then
    wine32_reason="the 32-bit Wine loader /usr/lib/wine/wine (wine32) is not installed"
  elif ! error=$(/usr/lib/wine/wine --version 2>&1 >/dev/null); then
    error=$(printf '%s' "$error" | tail -n 1 | sed 's|.*/usr/lib/wine/wine: ||')
    wine32_reason="this host cannot execute 32-bit programs (/usr/lib/wine/wine --version: $error)"
  else
    wine32=yes wine32_reason=
  fi
  wine_host_apply
}

wine_host() {
  if [ -f "$1" ]; then
    . "$1"
    wine_host_apply
  else
    wine_host_decide
  fi
}

# wine_host_write <state file>
wine_host_write() {
  printf "wine32=%s\nwine32_reason='%s'\n" "$wine32" \
    "$(printf '%s' "$wine32_reason" | sed "s/'/'\\\\''/g")" >"$1"
}

wine_host_apply() {
  if [ "$wine32" = yes ]; then
    wine=wine
  else
    wine=/usr/lib/wine/wine64
    export WINELOADER="$wine"
  fi
}

# wine_can_run <program.exe>: true, or false after a line that says why this build is skipped.
wine_can_run() {
  [ "$wine32" = yes ] && return 0
  # The PE header's offset is at 60; its machine field follows the signature: 014c is i386.
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')" = 014c ] || return 0
  echo "SKIPPED: the x86 build cannot run here: $wine32_reason"
  return 1
}
# A skipped test ends with this code (SKIP_RETURN_CODE of every test that runs Wine).
wine_skip=77

# watched <idle seconds> <output file> <folder> <command>...: runs the command with its output
# in the file and waits for it. Once neither that file nor anything in the folder (may be empty)
# has changed for the idle seconds, the command is taken as hung and killed. Gives its exit
# code, 124 when it was killed.
watched() {
  idle=$1 output=$2 folder=$3
  shift 3
  stamp=$(mktemp "${TMPDIR:-/tmp}/watched.XXXXXX") || return 1
  "$@" </dev/null >"$output" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null' INT TERM
  last=$(date +%s) polls=0 status=
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.2
    polls=$((polls + 1))
    [ $((polls % 10)) -eq 0 ] || continue
    touch "$stamp.next"
    if [ -n "$(find "$output" ${folder:+"$folder"} -newer "$stamp" -print -quit 2>/dev/null)" ]
    then
      last=$(date +%s)
    elif [ $(($(date +%s) - last)) -ge "$idle" ]; then
      kill -TERM "$pid" 2>/dev/null
      for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null && sleep 1; done
      kill -KILL "$pid" 2>/dev/null
      status=124
    fi
    mv "$stamp.next" "$stamp"
  done
  wait "$pid"
  code=$?
  [ -n "$status" ] || status=$code
  rm -f "$stamp"
  trap - INT TERM
  return "$status"
}
