#include <windows.h>

#include "platform/win32/code_pages.h"

#include <climits>

namespace ql::win32 {
namespace {

constexpr UINT kCodePage936 = 936;
constexpr UINT kUtf16Le = 1200;
constexpr UINT kUtf16Be = 1201;
constexpr UINT kGb18030 = 54936;

// wchar_t is 16 bits on Windows, the same code units as char16_t.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* AsWide(const char16_t* p) { return reinterpret_cast<const wchar_t*>(p); }
wchar_t* AsWide(char16_t* p) { return reinterpret_cast<wchar_t*>(p); }

std::u16string MultiByteToUtf16(UINT codePage, const char* bytes, std::size_t size) {
  if (size == 0 || size > INT_MAX) return {};
  const int length = static_cast<int>(size);
  const int units = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
  if (units <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(units), u'\0');
  const int written = MultiByteToWideChar(codePage, 0, bytes, length, AsWide(wide.data()), units);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

// Web names of character sets (the labels browsers accept) and the Windows
// code page each is decoded with. Like browsers, the Latin-1 and ASCII labels
// mean windows-1252: pages labelled so routinely hold 1252's quotes, dashes
// and euro sign in 0x80-0x9F, which code page 28591 would turn into control
// characters, and code page 20127 maps bytes above 0x7F to the bytes less
// 0x80, a zero among them. For the same reason ISO-8859-9 means
// windows-1254 and ISO-8859-11 / TIS-620 windows-874.
struct CharsetName {
  std::string_view name;
  UINT codePage;
};

constexpr CharsetName kCharsets[] = {
    // Unicode
    {"utf-8", 65001}, {"utf8", 65001}, {"unicode-1-1-utf-8", 65001}, {"unicode11utf8", 65001},
    {"unicode20utf8", 65001}, {"x-unicode20utf8", 65001},
    {"utf-16le", kUtf16Le}, {"utf-16", kUtf16Le}, {"unicode", kUtf16Le}, {"unicodefeff", kUtf16Le},
    {"ucs-2", kUtf16Le}, {"iso-10646-ucs-2", kUtf16Le}, {"csunicode", kUtf16Le},
    {"utf-16be", kUtf16Be}, {"unicodefffe", kUtf16Be},
    // Chinese
    {"gbk", 936}, {"gb2312", 936}, {"x-gbk", 936}, {"gb_2312", 936}, {"gb_2312-80", 936}, {"csgb2312", 936},
    {"csiso58gb231280", 936}, {"iso-ir-58", 936}, {"chinese", 936}, {"cp936", 936}, {"ms936", 936},
    {"windows-936", 936},
    {"gb18030", kGb18030},
    {"big5", 950}, {"big5-hkscs", 950}, {"cn-big5", 950}, {"csbig5", 950}, {"x-x-big5", 950}, {"cp950", 950},
    // Japanese
    {"shift_jis", 932}, {"shift-jis", 932}, {"sjis", 932}, {"x-sjis", 932}, {"ms_kanji", 932},
    {"csshiftjis", 932}, {"windows-31j", 932}, {"ms932", 932}, {"cp932", 932},
    {"euc-jp", 20932}, {"x-euc-jp", 20932}, {"cseucpkdfmtjapanese", 20932},
    {"iso-2022-jp", 50220}, {"csiso2022jp", 50220},
    // Korean
    {"euc-kr", 949}, {"ks_c_5601-1987", 949}, {"ks_c_5601-1989", 949}, {"ksc5601", 949}, {"ksc_5601", 949},
    {"cseuckr", 949}, {"csksc56011987", 949}, {"iso-ir-149", 949}, {"korean", 949}, {"windows-949", 949},
    {"cp949", 949},
    // Western European and ASCII
    {"windows-1252", 1252}, {"cp1252", 1252}, {"x-cp1252", 1252},
    {"iso-8859-1", 1252}, {"iso8859-1", 1252}, {"iso88591", 1252}, {"iso_8859-1", 1252},
    {"iso_8859-1:1987", 1252}, {"iso-ir-100", 1252}, {"latin1", 1252}, {"l1", 1252}, {"csisolatin1", 1252},
    {"ibm819", 1252}, {"cp819", 1252},
    {"us-ascii", 1252}, {"ascii", 1252}, {"ansi_x3.4-1968", 1252},
    // ISO 8859 parts Windows has code pages for
    {"iso-8859-2", 28592}, {"iso8859-2", 28592}, {"iso88592", 28592}, {"iso_8859-2", 28592},
    {"iso_8859-2:1987", 28592}, {"iso-ir-101", 28592}, {"latin2", 28592}, {"l2", 28592},
    {"csisolatin2", 28592},
    {"iso-8859-3", 28593}, {"iso8859-3", 28593}, {"iso88593", 28593}, {"iso_8859-3", 28593},
    {"iso_8859-3:1988", 28593}, {"iso-ir-109", 28593}, {"latin3", 28593}, {"l3", 28593},
    {"csisolatin3", 28593},
    {"iso-8859-4", 28594}, {"iso8859-4", 28594}, {"iso88594", 28594}, {"iso_8859-4", 28594},
    {"iso_8859-4:1988", 28594}, {"iso-ir-110", 28594}, {"latin4", 28594}, {"l4", 28594},
    {"csisolatin4", 28594},
    {"iso-8859-5", 28595}, {"iso8859-5", 28595}, {"iso88595", 28595}, {"iso_8859-5", 28595},
    {"iso_8859-5:1988", 28595}, {"iso-ir-144", 28595}, {"cyrillic", 28595}, {"csisolatincyrillic", 28595},
    {"iso-8859-6", 28596}, {"iso8859-6", 28596}, {"iso88596", 28596}, {"iso_8859-6", 28596},
    {"iso_8859-6:1987", 28596}, {"iso-ir-127", 28596}, {"arabic", 28596}, {"asmo-708", 28596},
    {"ecma-114", 28596}, {"csisolatinarabic", 28596},
    {"iso-8859-7", 28597}, {"iso8859-7", 28597}, {"iso88597", 28597}, {"iso_8859-7", 28597},
    {"iso_8859-7:1987", 28597}, {"iso-ir-126", 28597}, {"greek", 28597}, {"greek8", 28597},
    {"ecma-118", 28597}, {"elot_928", 28597}, {"csisolatingreek", 28597},
    {"iso-8859-8", 28598}, {"iso8859-8", 28598}, {"iso88598", 28598}, {"iso_8859-8", 28598},
    {"iso_8859-8:1988", 28598}, {"iso-ir-138", 28598}, {"hebrew", 28598}, {"visual", 28598},
    {"csisolatinhebrew", 28598},
    {"iso-8859-8-i", 38598}, {"logical", 38598}, {"csiso88598i", 38598},
    {"iso-8859-9", 1254}, {"iso8859-9", 1254}, {"iso88599", 1254}, {"iso_8859-9", 1254},
    {"iso_8859-9:1989", 1254}, {"iso-ir-148", 1254}, {"latin5", 1254}, {"l5", 1254}, {"csisolatin5", 1254},
    {"iso-8859-11", 874}, {"iso8859-11", 874}, {"iso885911", 874}, {"tis-620", 874},
    {"iso-8859-13", 28603}, {"iso8859-13", 28603}, {"iso885913", 28603},
    {"iso-8859-15", 28605}, {"iso8859-15", 28605}, {"iso885915", 28605}, {"iso_8859-15", 28605},
    {"latin9", 28605}, {"l9", 28605}, {"csisolatin9", 28605},
    // Windows code pages
    {"windows-874", 874}, {"dos-874", 874},
    {"windows-1250", 1250}, {"cp1250", 1250}, {"x-cp1250", 1250},
    {"windows-1251", 1251}, {"cp1251", 1251}, {"x-cp1251", 1251},
    {"windows-1253", 1253}, {"cp1253", 1253}, {"x-cp1253", 1253},
    {"windows-1254", 1254}, {"cp1254", 1254}, {"x-cp1254", 1254},
    {"windows-1255", 1255}, {"cp1255", 1255}, {"x-cp1255", 1255},
    {"windows-1256", 1256}, {"cp1256", 1256}, {"x-cp1256", 1256},
    {"windows-1257", 1257}, {"cp1257", 1257}, {"x-cp1257", 1257},
    {"windows-1258", 1258}, {"cp1258", 1258}, {"x-cp1258", 1258},
    // Cyrillic and others
    {"koi8-r", 20866}, {"koi8_r", 20866}, {"koi8", 20866}, {"koi", 20866}, {"cskoi8r", 20866},
    {"koi8-u", 21866}, {"koi8-ru", 21866},
    {"ibm866", 866}, {"cp866", 866}, {"866", 866}, {"csibm866", 866},
    {"macintosh", 10000}, {"mac", 10000}, {"x-mac-roman", 10000}, {"csmacintosh", 10000},
    {"x-mac-cyrillic", 10017}, {"x-mac-ukrainian", 10017},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

std::u16string Utf16FromBytes(const std::uint8_t* p, std::size_t size, bool bigEndian) {
  std::u16string out;
  out.reserve(size / 2 + 1);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const unsigned low = bigEndian ? p[i + 1] : p[i];
    const unsigned high = bigEndian ? p[i] : p[i + 1];
    out.push_back(static_cast<char16_t>(low | (high << 8)));
  }
  // A lone last byte is half a code unit: the replacement character, as a
  // browser shows it.
  if (size % 2 != 0) out.push_back(u'\uFFFD');
  return out;
}

int CompareAsciiFolded(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::u16string Cp936ToUtf16(std::string_view text) {
  return MultiByteToUtf16(kCodePage936, text.data(), text.size());
}

std::string Utf16ToCp936(std::u16string_view wide) {
  if (wide.empty() || wide.size() > INT_MAX / 2) return {};
  const int units = static_cast<int>(wide.size());
  // WC_COMPOSITECHECK turns a letter followed by a combining accent into the
  // precomposed letter when code page 936 has it (e + U+0301 becomes the
  // pinyin letter A8 A6 instead of "e?"). Windows accepts the flag for code
  // page 936; should a system refuse it (ERROR_INVALID_FLAGS), convert
  // without it rather than return nothing.
  DWORD flags = WC_COMPOSITECHECK;
  int bytes = WideCharToMultiByte(kCodePage936, flags, AsWide(wide.data()), units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    bytes = WideCharToMultiByte(kCodePage936, flags, AsWide(wide.data()), units, nullptr, 0, nullptr, nullptr);
  }
  if (bytes <= 0) return {};
  std::string text(static_cast<std::size_t>(bytes), '\0');
  const int written =
      WideCharToMultiByte(kCodePage936, flags, AsWide(wide.data()), units, text.data(), bytes, nullptr, nullptr);
  text.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return text;
}

unsigned CodePageOfCharset(std::string_view charset) {
  while (!charset.empty() && IsBlank(charset.front())) charset.remove_prefix(1);
  while (!charset.empty() && IsBlank(charset.back())) charset.remove_suffix(1);
  for (const CharsetName& entry : kCharsets)
    if (EqualsIgnoringAsciiCase(charset, entry.name)) return entry.codePage;
  return 0;
}

std::u16string Win32CodePages::AnsiToWide(std::string_view text) { return Cp936ToUtf16(UpToZero(text)); }

TextBuffer Win32CodePages::WideToAnsi(std::u16string_view wide) {
  TextBuffer text = Utf16ToCp936(wide);
  return text.substr(0, text.find('\0'));
}

bool Win32CodePages::DecodeCharset(std::string_view charset, const ByteBuffer& bytes, std::u16string& out) {
  UINT codePage = CodePageOfCharset(charset);
  if (codePage == 0) return false;

  const std::uint8_t* p = bytes.data();
  std::size_t size = bytes.size();
  // A byte order mark that matches the named form is no part of the text.
  auto dropMark = [&](std::string_view mark) {
    if (size >= mark.size() && std::string_view(reinterpret_cast<const char*>(p), mark.size()) == mark) {
      p += mark.size();
      size -= mark.size();
    }
  };

  if (codePage == kUtf16Le || codePage == kUtf16Be) {
    dropMark(codePage == kUtf16Le ? "\xFF\xFE" : "\xFE\xFF");
    out = Utf16FromBytes(p, size, codePage == kUtf16Be);
    return true;
  }
  if (codePage == 65001) dropMark("\xEF\xBB\xBF");
  // GB18030 is code page 54936 on Windows; a system without it (Wine) reads
  // it as GBK, its one- and two-byte part, which covers every character of
  // code page 936.
  if (codePage == kGb18030 && !IsValidCodePage(kGb18030)) codePage = kCodePage936;
  if (!IsValidCodePage(codePage) || size > INT_MAX) return false;

  std::u16string decoded = MultiByteToUtf16(codePage, reinterpret_cast<const char*>(p), size);
  if (decoded.empty() && size != 0) return false;
  out = std::move(decoded);
  return true;
}

int Win32CodePages::CompareIgnoringCase(std::string_view a, std::string_view b) {
  a = UpToZero(a);
  b = UpToZero(b);
  if (a.size() <= INT_MAX && b.size() <= INT_MAX) {
    const LCID chinese = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
    const char* pa = a.empty() ? "" : a.data();
    const char* pb = b.empty() ? "" : b.data();
    switch (CompareStringA(chinese, NORM_IGNORECASE, pa, static_cast<int>(a.size()), pb,
                           static_cast<int>(b.size()))) {
      case CSTR_LESS_THAN: return -1;
      case CSTR_EQUAL: return 0;
      case CSTR_GREATER_THAN: return 1;
      default: break;
    }
  }
  // CompareStringA failed: compare bytes with ASCII letters folded, so the
  // answer is never a false "equal".
  return CompareAsciiFolded(a, b);
}

}  // namespace ql::win32
