#!/bin/sh
# The usage box on a real (virtual) display, run under xvfb-run:
#   usage_box_test.sh <wine-run> <corvane.exe> <box.exe> <probe.exe> <work folder>
# The box helper finds the box by its caption, reports its text, buttons and X window, and
# presses OK once the box's picture is taken. The icon is told by that picture: it must equal a
# reference box drawn with MB_ICONINFORMATION, and differ from one drawn with MB_ICONWARNING.
set -u
wine_run=$1 corvane=$2 box=$3 probe=$4 work=$5

caption='Corvane v1.3'
usage='Usage: corvane [/X:<exe-file>] [/B:<b-params>] /L:<filelist> [/E:<e-params>]'
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

"$wine_run" --can-run "$corvane" || exit  # a skip, with the reason

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
probe_log=$(windows_path "$work/probe.log")
export CORVANE_PROBE_LOG="$probe_log"

# show_box <name> <command line>: runs the command line, which must show the box, takes the
# box's picture as <name>.png, presses OK and leaves the program's exit code in $box_status.
show_box() {
  name=$1
  rm -f "$name.report" "$name.report.exit" "$name.go"
  "$wine_run" "$box" run "$caption" "$(windows_path "$work/$name.report")" \
    "$(windows_path "$work/$name.go")" "$2" >"$name.out" 2>&1 &
  helper=$!
  # The helper bounds its own wait for the box, and wine-run the helper.
  while [ ! -e "$name.report" ] && kill -0 "$helper" 2>/dev/null; do sleep 0.1; done
  if [ -e "$name.report" ]; then
    xid=$(sed -n 's/^xid=//p' "$name.report")
    import -window "$xid" "$name.png" || fail "$name: no picture of window $xid"
  else
    fail "$name: no box with the caption '$caption' appeared"
  fi
  touch "$name.go"
  wait "$helper" || fail "$name: the box helper ended with $? (see $work/$name.out)"
  box_status=$(cat "$name.report.exit" 2>/dev/null || echo none)
}

expect_usage_box() {
  name=$1
  [ "$(sed -n 's/^text=//p' "$name.report" 2>/dev/null)" = "$usage" ] ||
    fail "$name: box text is '$(sed -n 's/^text=//p' "$name.report" 2>/dev/null)'"
  [ "$(sed -n 's/^buttons=//p' "$name.report" 2>/dev/null)" = "1:OK" ] ||
    fail "$name: buttons are '$(sed -n 's/^buttons=//p' "$name.report" 2>/dev/null)', not one OK (id 1)"
  [ "$box_status" = 0 ] || fail "$name: corvane ended with $box_status after OK"
}

# Differing pixels of two pictures, or "error".
differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 >/dev/null | sed 's/ .*//' | grep -E '^[0-9]+$' ||
    echo error
}

# No arguments at all.
corvane_win=$(windows_path "$corvane")
show_box no_arguments "\"$corvane_win\""
expect_usage_box no_arguments

# A list and a plain argument: the box, and the list (which names the probe) is not read.
printf 'a.txt\r\n' >list.txt
show_box extra_argument "\"$corvane_win\" /X:$(windows_path "$probe") /L:list.txt extra"
expect_usage_box extra_argument
[ ! -e probe.log ] || fail "extra_argument: the list was run"

# /N with no standard output and no console: one box with the first 30 lines and how many
# more, and nothing started.
: >preview.txt
for i in $(seq 1 32); do printf 'e%d\r\n' "$i" >>preview.txt; done
show_box preview "\"$corvane_win\" /X:viewer.exe /N /L:preview.txt"
# The helper reads the box's text in code page 1252, where the ellipsis is byte 133.
want_preview=$(for i in $(seq 1 30); do printf 'program\tviewer.exe\t"e%d"\\n' "$i"; done
               printf '\205 and 2 more')
[ "$(sed -n 's/^text=//p' preview.report 2>/dev/null)" = "$want_preview" ] ||
  fail "preview: box text is '$(sed -n 's/^text=//p' preview.report 2>/dev/null)'"
[ "$box_status" = 0 ] || fail "preview: corvane ended with $box_status after OK"
[ ! -e probe.log ] || fail "preview: something was started"

# /N on a list it cannot read: the box still comes, with a last line that names the error, and
# corvane ends with that code.
show_box preview_failed "\"$corvane_win\" /X:viewer.exe /N /L:missing.txt"
[ "$(sed -n 's/^text=//p' preview_failed.report 2>/dev/null)" = \
  'The list could not be read: error 2' ] ||
  fail "preview_failed: box text is '$(sed -n 's/^text=//p' preview_failed.report 2>/dev/null)'"
[ "$box_status" = 2 ] || fail "preview_failed: corvane ended with $box_status"

box_win=$(windows_path "$box")
show_box reference_information "\"$box_win\" show \"$caption\" \"$usage\" 0x40"
show_box reference_warning "\"$box_win\" show \"$caption\" \"$usage\" 0x30"
same=$(differing_pixels no_arguments.png reference_information.png)
[ "$same" = 0 ] ||
  fail "the usage box differs from one with MB_ICONINFORMATION in $same pixels (see $work)"
other=$(differing_pixels no_arguments.png reference_warning.png)
[ "$other" != error ] && [ "$other" -gt 0 ] ||
  fail "the pictures cannot tell MB_ICONWARNING from the usage box's icon ($other)"

echo "usage box: $failures failure(s); pictures in $work"
[ "$failures" -eq 0 ]
