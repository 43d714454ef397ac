# What the scripts that run Wine for the Windows tests share (sourced by wine-run and prefix.sh,
# and by scripts/install-deps for the first): whether this host executes i386 programs at all,
# which loader runs this host's Windows programs, and a run that is ended once it stops getting
# anywhere, however long it takes while it does.

# host_runs_i386: true where the kernel executes i386 programs, else false with why in
# host_i386_error. Asked before wine32 is installed, so it runs a program of its own: 93 bytes
# of static i386 ELF that only exits with 42 (a kernel without i386 support refuses it with
# "Exec format error"; a TMPDIR mounted noexec shows as "Permission denied").
# CORVANE_TEST_HOST_I386=yes|no answers instead, for the test of install-deps.
host_runs_i386() {
  case ${CORVANE_TEST_HOST_I386:-} in
  yes) return 0 ;;
  no) host_i386_error="CORVANE_TEST_HOST_I386=no"; return 1 ;;
  esac
  i386_dir=$(mktemp -d "${TMPDIR:-/tmp}/i386.XXXXXX") || {
    host_i386_error="no temporary folder"; return 1; }
  # ELF header (entry 0x08048054), one loadable segment of the whole file, then the code:
  # xor ebx,ebx; mov bl,42; xor eax,eax; inc eax; int 0x80 (exit).
  {
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0'
    printf '\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0'
    printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0'
    printf '\61\333\263\52\61\300\100\315\200'
  } >"$i386_dir/exit42"
  chmod +x "$i386_dir/exit42"
  host_i386_error=$("$i386_dir/exit42" 2>&1)
  i386_status=$?
  rm -rf "$i386_dir"
  [ "$i386_status" -ne 42 ] || return 0
  host_i386_error="an i386 program in ${TMPDIR:-/tmp}: $(printf '%s' \
    "${host_i386_error:-exit code $i386_status}" | tail -n 1 | sed 's/.*: //')"
  return 1
}

# Some hosts cannot execute i386 programs; there install-deps does not install wine32. Where
# wine32 is installed all the same, Debian's wine script still picks its 32-bit loader. Without
# a 32-bit loader that runs, the 64-bit loader runs the x64 programs (WINELOADER makes Wine start
# every further process with it too) and the x86 build cannot run at all.
# CORVANE_NO_WINE32=1 takes that path on any host.
#   wine_host_decide: finds out, sets wine32 (yes or no), wine32_reason and wine
#   wine_host <state file>: the same, read from the file that the decision was written to, so
#     that a test run finds out once; without the file, decides for itself
wine_host_decide() {
  wine32=no
  if [ -n "${CORVANE_NO_WINE32:-}" ] && [ "$CORVANE_NO_WINE32" != 0 ]; then
    wine32_reason="CORVANE_NO_WINE32 is set"
  elif ! host_runs_i386; then
    wine32_reason="this host cannot execute 32-bit programs ($host_i386_error)"
  elif [ ! -x /usr/lib/wine/wine ]; then
    wine32_reason="wine32 is not installed (scripts/install-deps could not get it from"
    wine32_reason="$wine32_reason the package mirror, or has not run)"
  # A wine32 that does not run where i386 programs do is broken; the x64 tests need not suffer.
  elif ! error=$(/usr/lib/wine/wine --version 2>&1 >/dev/null); then
    error=$(printf '%s' "$error" | tail -n 1 | sed 's|.*/usr/lib/wine/wine: ||')
    wine32_reason="wine32 is installed but does not run (/usr/lib/wine/wine --version: $error)"
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
