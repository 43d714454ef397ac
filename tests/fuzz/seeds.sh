#!/usr/bin/env bash
# Writes the seed corpus: the edge cases of the splitting, list-reading and run rules, each in
# its target's input layout (fuzz_support.h, run_fuzzer.cpp). Texts are printf %b strings: \r,
# \n, \t, \xHH, and \\ for one backslash; UTF-8 in them is written as it is.
set -euo pipefail
cd "$(dirname "$0")/corpus"
mkdir -p text
rm -f text/* arguments/* list_reader/* run/*

seed() { printf '%b' "$2" >"$1"; }
repeat() { printf "%$2s" | tr ' ' "$1"; }
# The list script: flags, then the read plan as hex bytes ("" for none).
list() {
  local flags=$1 plan=($2)
  printf '\\x%02x\\x%02x' "$flags" "${#plan[@]}"
  local b
  for b in "${plan[@]}"; do printf '\\x%s' "$b"; done
}
# The UTF-16 (LE or BE) of a text, as \xHH escapes; a surrogate of its own is written as bytes.
u16() { printf '%b' "$2" | iconv -f UTF-8 -t "UTF-16$1" | od -An -v -tx1 | tr -d ' \n' | sed 's/../\\x&/g'; }
# The flags that force an encoding on the list_reader target.
utf8=16 le=32 be=48 cp850=64 cp1252=80 ansi=96 oem=112
# A plan of n reads of one byte each.
ones() { local n=$1; while [ "$n" -gt 0 ]; do printf '01 '; n=$((n - 1)); done; }
# The run's input: list script, outcome bytes (hex), command line, the list file.
run() {
  local name=$1 flags=$2 plan=$3 outcomes=($4) line=$5 file=$6
  local head
  head=$(list "$flags" "$plan")
  head+=$(printf '\\x%02x' "${#outcomes[@]}")
  local b
  for b in "${outcomes[@]}"; do head+="\\x$b"; done
  seed "run/$name" "$head$line\\x00$file"
}

# ----- arguments: the raw line up to its first zero byte; the zero-separated pieces as argv
seed arguments/plain 'x.exe /L:list.txt /X:viewer.exe'
seed arguments/quoted-program '"C:\\Program Files\\Tools\\x.exe" /B:"-a -b" /L:"my list.txt"'
seed arguments/quoted-value 'x.exe /X:"C:\\Program Files\\Viewer\\view.exe" /L:list.txt'
seed arguments/backslash-before-quote 'x.exe /X:"C:\\Tools\\" /L:a.txt'
seed arguments/backslash-escapes-nothing 'x.exe /B:a\\"b" c'
seed arguments/unterminated 'x.exe /E:"unterminated text'
seed arguments/empty-pair 'x.exe "" /L:a.txt'
seed arguments/two-pairs 'x.exe """" b'
seed arguments/pair-before-option 'x.exe ""/L:a.txt'
seed arguments/pair-inside 'x.exe a""b'
seed arguments/stretch-then-text 'x.exe "a b"c d'
seed arguments/nested-pairs 'x.exe "/B:-p ""x y""" /L:l.txt'
seed arguments/trailing-quote 'x.exe a"'
seed arguments/quoted-blank 'x.exe " "'
seed arguments/lone-quote 'x.exe "'
seed arguments/blanks-only 'x.exe   \t '
seed arguments/tabs 'x.exe\t/L:a.txt\t/W'
seed arguments/high-bytes 'x.exe \xa0\xff /L:\x80\x81 \x01\x1f'
seed arguments/long-word "x.exe $(repeat w 5000) z"
seed arguments/long-stretch "x.exe \"$(repeat q 4095) \"rest of it\" z"
seed arguments/stretch-ends-at-bound "x.exe \"$(repeat q 4096)\"next"
# A character that does not fit whole in the 4096 bytes starts the next argument.
seed arguments/character-past-bound "x.exe $(repeat w 4095)\xc3\xa9z \xe6\x97\xa5"
seed arguments/character-at-bound "x.exe $(repeat w 4092)\xf0\x9f\x98\x80 z"
seed arguments/quoted-character-past-bound "x.exe \"$(repeat w 4094)\xe6\x97\xa5\"x y"
seed arguments/ill-formed-at-bound "x.exe $(repeat w 4094)\xe6\x97\xed\xa0\x80 \xf0\x9f\x98 z"
seed arguments/argv 'corvane\x00/L:a.txt\x00\x00/W\x00 \x00'

# ----- list_reader: the list script, then the file
seed list_reader/crlf "$(list 0 '')a.txt\r\nb.txt\r\n"
seed list_reader/blank-lines "$(list 0 "$(ones 40)")\r\n  a.txt  \r\n\t\r\n\r\nb.txt"
seed list_reader/cr-only "$(list 0 '02 02')a\rb\r"
seed list_reader/cr-cr-lf "$(list 0 '')a\r\r\nb"
seed list_reader/lf-only "$(list 0 '')a\nb\nc\n"
seed list_reader/lf-then-crlf "$(list 0 '')a\n\r\nb"
seed list_reader/ctrl-z "$(list 0 '05 03')one\r\ntw\x1ao\r\nthree\r\n"
seed list_reader/ctrl-z-after-cr "$(list 0 '02')a\r\x1ab"
seed list_reader/nuls "$(list 0 '')\x00\x00a\x00b\r\n"
seed list_reader/empty "$(list 0 '')"
seed list_reader/blanks-only "$(list 0 '')\x20\t\r\n\n\r"
seed list_reader/bom "$(list 0 '')\xef\xbb\xbfa\r\n"
seed list_reader/crlf-across-reads "$(list 0 '80')$(repeat x 127)\r\ny"
seed list_reader/cr-ends-read "$(list 0 '03 02')ab\r\ncd"
seed list_reader/zero-read-midway "$(list 0 '03 00')ab\r\ncd"
seed list_reader/fail-before-entry "$(list 0 'f3')x\r\n"
seed list_reader/fail-in-line "$(list 0 '02 f4')abcd\r\nz"
seed list_reader/fail-after-cr "$(list 0 '04 f6')abc\r\nz"
seed list_reader/two-fails-one-step "$(list 0 '01 f3 01 f5')a b\r\nz"
seed list_reader/broken-pipe-after-entries "$(list 0 '06 f0')a\r\nb\r\nc"
# Encodings: a mark at the very start, UTF-16 in reads that split its units, forced encodings.
seed list_reader/bom-split "$(list 0 '01 01 01 02')\xef\xbb\xbfab\r\n"
seed list_reader/half-bom "$(list 0 '01')\xef\xbb"
seed list_reader/fail-inside-bom "$(list 0 '01 f3 01')\xff\xfea\x00"
seed list_reader/bom-later "$(list 0 '')a\r\n\xef\xbb\xbfb\r\n"
seed list_reader/utf8-or-ansi "$(list 0 '04 01')caf\xc3\xa9\r\ncaf\xe9\r\n\x80\xff x\x01\r\n"
seed list_reader/utf16le "$(list 0 '')\xff\xfe$(u16 LE 'a.txt\r\n  b\r\nc\rd\ne\r\x00 \t\r\n日本 é☺\r\n😀 \xc2\x80')"
seed list_reader/utf16be "$(list 0 '')\xfe\xff$(u16 BE 'a.txt\r\n  b\r\nc\rd\ne\r日本 é☺\r\n😀 ')"
seed list_reader/utf16-split-units "$(list 0 "$(ones 30)")\xff\xfe$(u16 LE 'ab\r\n😀日\r\nc')"
seed list_reader/utf16-surrogates "$(list 0 '03 01')\xff\xfea\x00\x00\xd8b\x00\r\x00\n\x00\x00\xdc\r\x00\n\x00\x3d\xd8\x3d\xd8\x00\xde\r\x00\n\x00\xff\xdb"
seed list_reader/utf16-odd-final-byte "$(list 0 '')\xff\xfea\x00b\x00c"
seed list_reader/utf16-high-at-end "$(list 0 '03')\xff\xfe\x3d\xd8\x00"
seed list_reader/utf16-ctrl-z "$(list 0 '05 03')\xff\xfe$(u16 LE 'Кᨀ\r\nb\x1ac\r\nd')"
seed list_reader/utf16-high-then-ctrl-z "$(list 0 '04 02')\xff\xfea\x00\x3d\xd8\x1a\x00b\x00"
seed list_reader/utf16-fail-mid-unit "$(list 0 '05 f3 03 01')\xff\xfea\x00b\x00\r\x00\n\x00c\x00"
# No mark: a zero beside a byte that is not makes the list UTF-16; a Ctrl-Z first ends it at once.
seed list_reader/no-mark-utf16le "$(list 0 '01 01 03')$(u16 LE 'C:\\docs\\é.txt\r\nb\x00c')"
seed list_reader/no-mark-utf16be "$(list 0 '01 f3 01')$(u16 BE 'ab\r\n')"
seed list_reader/no-mark-ctrl-z-first "$(list 0 '01')\x1a\x00a\r\n"
seed list_reader/zero-in-entry "$(list 0 '')\x00\x00abc\x00def.txt\x00\r\n"
seed list_reader/forced-utf8 "$(list $utf8 '')\xef\xbb\xbfcaf\xe9\r\n\xed\xa0\x80 \xf0\x9f\x98\r\n\xff\xfea"
seed list_reader/forced-le "$(list $le '01')$(u16 LE 'a\r\nb')\r"
seed list_reader/forced-le-mark "$(list $le '')\xff\xfe$(u16 LE 'a\r\n')\xff\xfe"
seed list_reader/forced-be-other-mark "$(list $be '01 01')\xff\xfe\x00a\x00\r\x00\n\xfe\xff"
seed list_reader/forced-850 "$(list $cp850 '')\x82t\xe9\r\n\xef\xbb\xbfb"
seed list_reader/forced-1252 "$(list $cp1252 '02')\xef\xbb\xbfa\x80\r\n"
seed list_reader/forced-ansi "$(list $ansi '')\xff\xfea\r\nb\xe9"
seed list_reader/forced-oem "$(list $oem '')caf\xc3\xa9\r\n"
seed list_reader/forced-utf8-zeros "$(list $utf8 '')$(u16 LE 'ab\r\n')"
seed list_reader/open-fails "$(list 5 '')a\r\n"
seed list_reader/close-fails "$(list 8 '')a\r\nb"

# ----- run: list script, outcomes, command line, list file
docs='C:\\docs\\a b.txt\r\n  "D:\\q d.txt"  \r\n'
run usage 0 '' '' 'x.exe' ''
run single-argument 0 '' '' 'x.exe  readme.txt ' ''
run single-plain-after-option 0 '' '' 'x.exe /W readme.txt' ''
run plain-after-list 0 '' '' 'x.exe /L:files.txt extra' "$docs"
run options-without-list 0 '' '' 'x.exe /X:prog.exe / - /B' ''
run named-program 0 '' '' 'x.exe /X:viewer.exe /B:-r /L:files.txt /E:-z' "$docs"
run documents 0 '' '' 'x.exe -l:files.txt' "$docs"
run no-wait 0 '' '08 10 00' 'x.exe /L:files.txt /W' "$docs\r\nthird\r\n"
run unknown-and-repeated 0 '' '' 'x.exe /Q:anything /L:a.txt /L:b.txt /Z:x /1:x /\xe9:x' "$docs"
run e-text-with-blank 0 '' '' 'x.exe "/E: -z" /L:l.txt' 'a b.txt\r\n'
run quoted-blank-argument 0 '' '' 'x.exe " " /L:l.txt' 'a\r\n'
run associated 0 '' '01 00 0a 03 05 07 0e' 'x.exe /B:-p /L:l.txt' \
  'D:\\docs\\a b.txt  \r\nreport.txt\r\n"C:\\q.txt"\r\nd:/x/y.doc\r\nD:report.txt\r\nz\x00\\y\r\nw\r\n'
run hostile-entries 0 '' '' 'x.exe /X:viewer.exe /L:l.txt' \
  'a.txt" & calc & "\r\n; touch pwned\r\n$(touch pwned)\r\n`touch pwned`\r\n%PATH%\r\nfile[1].txt\r\n-readme.txt\r\n\xef\xbb\xbfbom\r\n\x80\xff\r\nx\x00y\r\n'
run open-fails 3 '' '' 'x.exe /X:v.exe /L:missing\\list.txt' ''
run read-fails 0 '08 f4' '' 'x.exe /X:v.exe /L:l.txt' 'first\r\nsecond\r\n'
run close-fails 8 '' '' 'x.exe /L:l.txt' 'a\r\nb\r\n'
# /C: names the encoding; a name this system cannot read starts nothing, with a list only
run encoding-refused 0 '' '' 'x.exe /X:v.exe /C:bogus /L:l.txt' 'a\r\n'
run encoding-moves-controls 0 '' '' 'x.exe /C:37 /L:l.txt' 'a\r\n'
run encoding-without-list 0 '' '' 'x.exe /C:utf-32' ''
run encoding-utf16le 0 '' '' 'x.exe -c:Utf-16LE /X:v.exe /L:l.txt' "$(u16 LE 'a é\r\n😀\r\n')"
run encoding-code-page 0 '' '' 'x.exe /C=0850 /L:l.txt /B:-p' '\x82t\xe9\r\n'
run encoding-numbers 0 '' '' 'x.exe /C:1201 /C:65001 /L:l.txt' '\xef\xbb\xbfcaf\xe9\r\n'
run detect-mark-and-ansi 0 '' '' 'x.exe /X:v.exe /L:l.txt' "\xff\xfe$(u16 LE 'caf\xc3\xa9\r\n')"
run preview-modes 0 '' '01 00' 'x.exe /N /E:-e /L:l.txt' 'a.foo\r\nb.bar\r\nnul\x00cut\r\n'
run preview-named 0 '' '' 'x.exe -n /X:v.exe /L:l.txt' '日本 é☺.ext\r\n"q\tr"\r\n'
run preview-write-fails 0 '' '00 20' 'x.exe /N /L:l.txt' 'a\r\nb\r\nc\r\n'
run preview-read-fails 0 '08 f4' '' 'x.exe /N /X:v.exe /L:l.txt' 'first\r\nsecond\r\n'
run lookup-quoted 0 '' '01 01 01' 'x.exe /E:-z /L:l.txt' \
  '"C:\\a b.txt"\r\n  " D:\\x.txt "  \r\n"docs\\q.txt\r\n'
# Backslashes before the closing quote: doubled for a program, as written for the shell.
run trailing-backslashes 0 '' '' 'x.exe /X:v.exe /E:-p /L:l.txt' \
  'C:\\My Folder\\\r\nD:\\\r\n"E:\\q\\"\r\n\\\r\n'
run associated-backslashes 0 '' '01 00' 'x.exe /E:-p /L:l.txt' 'd\\\r\ne\\\r\n'
run option-multibyte-separator 0 '' '' 'x.exe /L\xe2\x86\x92l.txt /X\xc3\xa9v.exe' 'a\r\n'
run encoding-stateful 0 '' '' 'x.exe /X:v.exe /C:50220 /L:l.txt' 'a\r\n'
run preview-open-fails 3 '' '' 'x.exe /N /L:l.txt' ''
# The Linux port's conventions (flag 128): a "/" path is no option, a backslash is a character.
run linux-path-argument 128 '' '' 'x.exe /tmp/doc.txt' ''
run linux-path-among-options 128 '' '' 'x.exe /N /Lists/x.txt' 'a\r\n'
run linux-options 128 '' '' 'x.exe /W /L:l.txt /X=v.exe /\xc3\xa9 -Exy /' 'd\\\r\n'
run lookup-folders 0 '' '01 01 01 01 01' 'x.exe /E:-z /L:l.txt' \
  '\\\\srv\\share\\f.txt\r\ndocs\\one.txt\r\n\xc3\xa9:\\a.txt\r\nc:x.txt\r\n\\top.txt\r\ncaf\xe9\\b.txt\r\n'
# Unattended runs: a log with line numbers, failures under /Q, the wait for the end, and the
# verb, window state, folder and pause of every start; then values that cannot be used.
run unattended-log 0 '' '00 08 10 18' 'x.exe /Q /O:run.log /T:2.5 /X:v.exe /L:l.txt' \
  'a\r\n\r\nb\r\rc\r\nd\r\n'
run unattended-finish 0 '' '00 08' 'x.exe /W /F -t=0 /O=l.log /L:l.txt' 'a.txt\r\nb.txt\r\n'
run start-control 0 '' '01 00' 'x.exe /V:print /S:Min /D /P:0.25 /E:-z /L:l.txt' \
  '"C:\\d\\a b.txt"\r\nrel\\x.txt\r\n/top\r\nc.txt\r\n'
run start-control-preview 0 '' '' 'x.exe /N /D:C:\\w /S:011 /X:v.exe /L:l.txt' 'a\r\n'
run bad-values 0 '' '' 'x.exe /T:1.2345 /S:12 /P:-1 /O: /L:l.txt' 'a\r\n'
run bad-verb-on-linux 128 '' '' 'x.exe /V:print /L:l.txt' 'a\r\n'
# Log-on lists. Every run meets the same variables, processes and program files (run_fuzzer.cpp).
# Outcome bytes for the shell answers past the first four: 40 48 50 58 80 88 90 (hInstApp 26 to
# 32 and no code), 98 (hInstApp 5), c0 (1223), c8 (193), d0 (3 beside hInstApp 31), d8 (hInstApp 33).
# /I: entries, then option values; unset names, lone %, an empty value, blanks only, a comment
# mark that comes of expanding, two-unit characters, and the 32767 bound from either side.
run expand-entries 0 '' '' 'x.exe /I /N /L:l.txt' \
  '%DOCS%\\a.txt\r\n%docs%\\b\r\n%unset%\\c%DOCS%\r\n100%.txt\r\n%%\r\n%E%%SP%\r\n%PCT%\r\n%WIDE%\r\n%SEMI%\r\n'
# The first room is the text and 64 bytes: MID grows a text by just that, SEMI by one more.
run expand-room 0 '' '' 'x.exe /I /N /L:l.txt' '%MID%\r\n%MID%%SEMI%\r\n'
run expand-values 0 '' '' 'x.exe /I /X:%DOCS%\\v.exe /B:-%docs% /E:%U% /D:%DOCS% /L:%DOCS%\\l.txt /O:%DOCS%\\r.log' 'a\r\n'
run expand-without-list 0 '' '' 'x.exe /I /B:%SP% /L:%E%' ''
run expand-empty-program 0 '' '' 'x.exe /I /X:%E% /L:l.txt' 'a.txt\r\n'
run expand-too-long 0 '' '' 'x.exe /I /K /Q /X:v.exe /O:r.log /L:l.txt' \
  '#\r\n%BIG%\\123456\r\n%BIG%\\1234567\r\n%BIG%%WIDE%%WIDE%%WIDE%\r\n%BIG%\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\r\n%BIG%\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xf0\x9f\x98\x80\r\n'
run expand-too-long-told 0 '' '' 'x.exe /I /N /V:print /E:-p /L:l.txt' '%BIG%%BIG%\\\r\nb\r\n'
run expand-too-long-shown 0 '' '' 'x.exe /I /O:r.log /L:l.txt' '%BIG%%BIG%\r\nb\r\n'
run expand-past-bound 0 '' '' 'x.exe /I /X:v.exe /L:l.txt' "$(repeat _ 33 | sed 's/_/%BIG%/g')\r\n"
run expand-value-refused 0 '' '' 'x.exe /I /B:%BIG%%BIG% /L:l.txt' 'a\r\n'
run expand-value-refused-quietly 0 '' '' 'x.exe /Q /I /O:%BIG%%WIDE%%WIDE%%WIDE%%WIDE% /L:l.txt' 'a\r\n'
run expand-linux 128 '' '' 'x.exe /I /N /L:l.txt' '%docs%\r\n%DOCS%\r\n'
# /K: ; and # as the line starts, after its blanks; not inside quotes or later
run comments 0 '' '' 'x.exe /K /X:v.exe /L:l.txt' ';x\r\n  \t# y\r\n"#1 agenda.txt"\r\nz;#\r\n'
run comments-expanded 0 '' '' 'x.exe /I /K /P:0,1 /X:v.exe /L:l.txt' '#%DOCS%\r\n%SEMI%\r\n%E%\r\na\r\n'
run comments-unset 0 '' '' 'x.exe /X:v.exe /L:l.txt' ';x\r\n#y\r\n'
# /P: a first pause before the first entry that is no comment; none under /N; its refusals
run pause-first 0 '' '' 'x.exe /K /P:1,2.5 /X:v.exe /W /L:l.txt' '; first\r\na\r\nb\r\n'
run pause-first-only 0 '' '' 'x.exe /P:0,30 /X:v.exe /L:l.txt' 'a\r\nb\r\n'
run pause-first-preview 0 '' '' 'x.exe /N /P:1,2 /X:v.exe /L:l.txt' 'a\r\n'
run pause-refused 0 '' '' 'x.exe /P:1,2,3 /L:l.txt' 'a\r\n'
run pause-refused-empty-first 0 '' '' 'x.exe /P:,5 /L:l.txt' 'a\r\n'
run pause-refused-empty-second 0 '' '' 'x.exe /P:1, /L:l.txt' 'a\r\n'
# /R: tries until one is not refused, quiet but the last; a code no wait mends ends them, with one
# more try for the box unless /Q; the lookup is made again each time
run retries 0 '' '08 08 00' 'x.exe /R:2,1.5 /O:r.log /X:v.exe /L:l.txt' 'a\r\nb\r\n'
run retries-spent 0 '' '08 98 d0' 'x.exe /Q /R:0002 /O:r.log /X:v.exe /L:l.txt' 'a\r\n'
run retries-final 0 '' '18 48' 'x.exe /R:3,0 /O:r.log /X:v.exe /L:l.txt' 'a\r\n'
run retries-final-quiet 0 '' 'c0 c8' 'x.exe /Q /R:3 /O:r.log /X:v.exe /L:l.txt' 'a\r\nb\r\n'
run retries-declined 0 '' 'c0 c0' 'x.exe /R:3 /O:r.log /X:v.exe /L:l.txt' 'a\r\n'
run retries-lookup 0 '' '08 01' 'x.exe /R:1,0 /E:-p /L:l.txt' 'a.foo\r\n'
run retries-refused 0 '' '' 'x.exe /R:101 /L:l.txt' 'a\r\n'
run retries-refused-pause 0 '' '' 'x.exe /R:2,3600.001 /L:l.txt' 'a\r\n'
run retries-refused-empty 0 '' '' 'x.exe /Q /R: /L:l.txt' 'a\r\n'
run old-codes 0 '' '40 48 50 58 80 88 90 98 d0 d8' 'x.exe /Q /O:r.log /X:v.exe /L:l.txt' \
  'a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\n'
# /A: by name without a folder, else by the image path made full; our own session only
deep="C:\\\\$(repeat d 800)\\\\deep.exe"
run already-running 0 '' '' 'x.exe /A /P:1 /O:r.log /L:l.txt' \
  "x.txt\r\nnotepad.exe\r\n\"C:\\\\Windows\\\\NOTEPAD.exe\"\r\nC:\\\\Other\\\\tool.exe\r\nC:\\\\work\\\\tool.exe\r\nsub\\\\..\\\\tool.exe\r\ntool.exe\r\nC:\\\\gone\\\\tool.exe\r\ntool\r\n$deep\r\n"
run already-running-linux 128 '' '' 'x.exe /A /D /O:r.log /L:l.txt' \
  'TOOL\r\ntool\r\nbin/tool\r\n/usr/bin/tool\r\n'
run already-running-folder 0 '' '' 'x.exe /A /D:C:\\work /O:r.log /L:l.txt' 'tool.exe\r\nsub\\tool.exe\r\n'
run running-refused 0 '' '' 'x.exe /A /X:v.exe /L:l.txt' 'a\r\n'
run running-refused-quietly 0 '' '' 'x.exe /Q /E:-p -a /L:l.txt' 'a\r\n'
# /D alone: each entry's own folder, a relative entry made full; none for a URL, a namespace
# or a short UNC path. /D: with nothing is refused; /D:<folder> is where a relative one is looked up.
run entry-folders 0 '' '' 'x.exe /D /N /X:v.exe /L:l.txt' \
  'sub dir\\d.txt"\r\n"C:\\docs\\sub dir\\x\r\nhttp://example.invalid/x/y.txt\r\n::{20D04FE0}\\C:\\\r\n\\\\srv\\a.txt\r\n\\\\srv\\share\\f.txt\r\n\\\\\\\\srv\\s\\f\r\nab:c\\d\r\na:b\\c\r\n1a:\\b\r\n'
run entry-folders-lookup 0 '' '01 01' 'x.exe /D /E:-p /L:l.txt' 'sub\\d.txt\r\nd.txt\r\n'
run folder-lookup 0 '' '01' 'x.exe "/D:C:\\d dir" /E:-p /L:l.txt' 'd.txt\r\n'
run folder-refused 0 '' '' 'x.exe /D: /L:l.txt' 'a\r\n'
run folder-refused-letter 0 '' '' 'x.exe /Dx /L:l.txt' 'a\r\n'
# The run log's edges (flags 16: it is the list; 32: its last line is torn; 64: it cannot be opened)
run log-is-list 16 '' '' 'x.exe /O:l.txt /L:l.txt' 'a\r\n'
run log-is-list-quiet 16 '' '' 'x.exe /O:l.txt /Q /L:l.txt' 'a\r\n'
run log-torn 32 '' '' 'x.exe /O:r.log /L:l.txt' 'a\r\n'
run log-open-fails 64 '' '' 'x.exe /O:no\\r.log /L:l.txt' 'a\r\n'
# /Q: never the usage box, wherever it stands
run quiet-plain-before 0 '' '' 'x.exe readme.txt /Q' ''
run quiet-without-list 0 '' '' 'x.exe -q' ''
run quiet-refusal 0 '' '' 'x.exe /Q /T:abc /L:l.txt' 'a\r\n'
# Fields stay one line of UTF-8: control characters as blanks, other bytes as U+FFFD
run preview-controls 0 '' '' 'x.exe /N /X:v.exe /B:\xff\x01 /D:\x7f\xc3 /L:l.txt' 'a\tb\r\nx\ny\r\n'
# Linux documents that are programs start as themselves, with no parameters
run program-files 128 '' '' 'x.exe /N /L:l.txt' 'tool\r\n"bin/tool"\r\nreadme.txt\r\n'
# /A: a walk serves the entries up to the next start
run running-walk-shared 0 '' '' 'x.exe /A /O:r.log /L:l.txt' 'notepad.exe\r\nnotepad.exe\r\nx.txt\r\nnotepad.exe\r\n'
run program-files-started 128 '' '08' 'x.exe /R:1,0 /O:r.log /D /L:l.txt' 'bin/tool\r\ntool\r\n'

# ----- text: operation bytes (text_fuzzer.cpp); texts grown past the inline room, then moved,
# copied, joined and cut
seed text/grow-move-copy '\x01\x00\xff\x01\x00\xff\x03\x01\x00\x02\x04\x00\x05\x06\x06\x02\x0a\x00\x07\x0b\xe4\x05'
# Ill-formed and cut sequences, then the UTF-8 helpers over them, and encodings of U+10FFFF,
# U+0800 and U+07FF
seed text/utf8 '\x01\x00\x0aa\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80\xed\xa0\x80\xe0\x80\xf0\x9f\x98a\xc3\x0f\x01\x05\x02\x03\x0f\x05\x07\x03\x01\x10\x00\x10\xff\xff\x10\x00\x00\x08\x00\x10\x00\x00\x07\xff'
seed text/helpers '\x01\x00\x10 \t"C:\\a b\\c.txt" \r\x08\x01\x09\x02\x0a\x03\x0c\x00\x0e\x01\x0d\x00\x03a'
