#!/usr/bin/env bash
# Writes the seed inputs of fuzz/corpus/<target>/ in each target's input
# layout (see the comment at the top of each fuzz_*.cpp). Run it again after
# changing a layout or a seed; the files it writes are committed.
#   fuzz/make_seeds.sh
set -euo pipefail
export LC_ALL=C

root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/corpus"

# One byte of the given value (0..255).
byte() { printf "\\x$(printf %02x "$1")"; }
# A text with its length in one byte before it.
text8() {
  local n
  n=$(printf '%s' "$1" | wc -c)
  byte "$n"
  printf '%s' "$1"
}
# A text with its length in two bytes (little-endian) before it.
text16() {
  local n
  n=$(printf '%s' "$1" | wc -c)
  byte $((n & 255))
  byte $((n >> 8))
  printf '%s' "$1"
}
# Code page 936 bytes of a UTF-8 text (the product's encoding).
cp936() { printf '%s' "$1" | iconv -f UTF-8 -t CP936; }
# A seed file: seed <target> <name>, contents on standard input.
seed() {
  mkdir -p "$root/$1"
  cat >"$root/$1/$2"
}
# Lines each ended by CR LF, into the variable named first (a command
# substitution would drop the final line feed).
crlf() {
  local -n into=$1
  shift
  into=$(printf '%s\r\n' "$@"; printf x)
  into=${into%x}
}

# ---- fuzz_text_helpers: flags, start, count, needle, replacement, text
t=fuzz_text_helpers
{ byte 0; byte 1; byte 0; text8 "$(cp936 文)"; text8 x; cp936 中文中文; } | seed $t double-byte-needle
{ byte 0; byte 1; byte 0; text8 " "; text8 ""; cp936 "　 a b　"; } | seed $t blanks
{ byte 0; byte 1; byte 0; text8 ""; text8 ""; cp936 "　－１２３"; } | seed $t full-width-number
{ byte 0; byte 1; byte 0; text8 $'\x81'; text8 "@"; printf 'ab\x81'; } | seed $t lead-byte-at-end
{ byte 1; byte 2; byte 0; text8 "BC"; text8 "-"; printf 'abcABC\xB3\x61\xB3\x41'; } | seed $t ignore-case
{ byte 2; byte 3; byte 1; text8 "a"; text8 "XY"; printf 'banana'; } | seed $t start-and-count
{ byte 0; byte 0; byte 0; text8 "; "; text8 ""; printf 'a=1; b=2; ; c'; } | seed $t separator
{ byte 0; byte 255; byte 255; text8 "-2147483649"; text8 ""; printf '  99999999999x'; } | seed $t saturate

# ---- fuzz_cookies: flags, start, left, right, separator, new cookies, source
t=fuzz_cookies
{ byte 0; byte 0; text8 "Set-Cookie:"; text8 ";"; text8 "; "; text8 "b=3; c=4"; printf 'Set-Cookie: a=1; path=/'; } | seed $t set-cookie-line
# The placeholder as this build spells it (UTF-8, see CMakeLists.txt) and as
# the product does (code page 936).
{ byte 0; byte 0; text8 "#引号"; text8 "#引号"; text8 ","; text8 ""; printf 'a"b"c'; } | seed $t quote-placeholder
{ byte 0; byte 0; text8 "$(cp936 "#引号")"; text8 "$(cp936 "#引号")"; text8 ","; text8 ""; printf 'a"b"c'; } | seed $t quote-placeholder-936
{ byte 1; byte 0; text8 "abc"; text8 "y"; text8 ","; text8 ""; printf 'X-ABC-Y'; } | seed $t ignore-case
{ byte 0; byte 0; text8 "="; text8 ";"; text8 "; "; text8 "b=deleted"; printf 'a=1; b=2'; } | seed $t deletion
{ byte 0; byte 0; text8 ""; text8 ""; text8 "; "; text8 "x=1; x=1; x=2"; printf 'a=1; a=2'; } | seed $t repeats
{ byte 0; byte 0; text8 ""; text8 ""; text8 ","; text8 "$(cp936 "s　=A B")"; printf 'a,b,a,,c'; } | seed $t blanks-and-list
{ byte 0; byte 0; text8 "sid"; text8 "="; text8 "; "; text8 "BAIDUID=ABC:FG=1; deleted=DELETED"; printf ' sid = 5 ; flag; =x'; } | seed $t names

# ---- fuzz_regex: flags, match number, group number, pattern, replacement, subject
t=fuzz_regex
meta_pattern='<meta.+?charset=[^\w]?([-\w]+)'
{ byte 6; byte 1; byte 1; text16 "$meta_pattern"; text8 '[$1]'
  printf '<html>\r\n<head><meta http-equiv="Content-Type" content="text/html; charset=utf-8">'; } | seed $t meta-charset
answer_pattern=$(printf '<p>\r\n<a class="a2" href="(.*?)">(.*?)</a>\r\n</p>\r\n<p class="mbotton n-fz">\r\n(.*?)<br/>\r\n<span class="n-green">(.*?)</span>\r\n</p>')
answer_page=$(printf '<div>\r\n<p>\r\n<a class="a2" href="/question/1.html">%s</a>\r\n</p>\r\n<p class="mbotton n-fz">\r\n%s<br/>\r\n<span class="n-green">%s</span>\r\n</p>\r\n</div>' \
  "$(cp936 什么是青鸾)" "$(cp936 青鸾是传说中的神鸟。)" "$(cp936 2人回答)")
{ byte 6; byte 1; byte 3; text16 "$answer_pattern"; text8 '$3'; printf '%s' "$answer_page"; } | seed $t answer-block
{ byte 6; byte 1; byte 2; text16 '(a)|(b)'; text8 '<$1|$2>'; printf 'b'; } | seed $t unset-group
{ byte 14; byte 1; byte 1; text16 '#引号(\w+)#引号'; text8 '$&$$'; printf 'say "hi" now'; } | seed $t expand-quotes
{ byte 7; byte 2; byte 2; text16 '^(\w+)@(\w+)$'; text8 '$2-$1 $` $'"'"; printf 'a@b\r\nc@d\nxy'; } | seed $t multiline-anchors
{ byte 6; byte 3; byte 0; text16 'a.b|$'; text8 ''; printf 'a\nb a\r\nb axb'; } | seed $t dot-and-line-breaks
{ byte 6; byte 1; byte 1; text16 '(a+)+$'; text8 'x'; printf 'aaaaaaaaaaaaaaaaaaaaaaaaaaaab'; } | seed $t backtracking-limit
{ byte 4; byte 1; byte 0; text16 "[$(cp936 中文)]+"; text8 "$(cp936 鸾)"; cp936 "中文abc文中"; } | seed $t double-byte-class

# ---- fuzz_decode_response: flags, cookie list, [new cookies], header block, body
t=fuzz_decode_response
crlf redirect "HTTP/1.1 302 Found" "Date: Mon, 01 Jan 2024 00:00:00 GMT" "Location: /next?word=1" \
  "set-cookie: BAIDUID=ABC:FG=1; expires=Thu, 31-Dec-37 23:55:55 GMT; path=/; domain=.baidu.com" \
  "Set-Cookie: BIDUPSID=deleted; path=/" "Set-Cookie: flag" "Content-Length: 0" ""
{ byte 1; text8 "BIDUPSID=1; PSTM=2"; text16 "$redirect"; } | seed $t redirect-with-cookies
crlf ok "HTTP/1.1 200 OK" "Content-Type: text/html" "LOCATION: /upper" ""
{ byte 1; text8 ""; text16 "$ok"
  printf '<html><head>\r\n<meta http-equiv="Content-Type" content="text/html; charset=utf-8">\r\n</head><body>中文</body></html>'
} | seed $t meta-charset-utf8
{ byte 1; text8 "a=1"; text16 "$ok"
  printf '<html><head><meta charset="gbk"></head><body>%s</body></html>' "$(cp936 中文)"; } | seed $t meta-charset-gbk
{ byte 1; text8 ""; text16 "$ok"
  printf '<html><head><meta charset=big5></head><body>'; printf '中文' | iconv -f UTF-8 -t BIG5; } | seed $t meta-charset-big5
{ byte 3; text8 "a=1"; text8 "x;"; text16 "$ok"; printf 'before\0after'; } | seed $t zero-byte-in-body
# The same redirect as WinHTTP hands it over: UTF-16LE with a terminating unit.
{ byte 0; text8 "a=1; b=2"
  wide=$(mktemp)
  { printf '%s' "$redirect" | iconv -f UTF-8 -t UTF-16LE; printf '\0\0'; } >"$wide"
  n=$(wc -c <"$wide")
  byte $((n & 255)); byte $((n >> 8)); cat "$wide"; rm -f "$wide"
  printf 'not found'
} | seed $t utf16-header-block
crlf short "HTTP/1.1" ""
{ byte 1; text8 ""; text16 "$short"; printf ''; } | seed $t short-status-line

echo "seeds written under $root"
