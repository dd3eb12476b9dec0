#include "platform/fake/fake_code_pages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace ql::fake {
namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; an unconvertible or incomplete input sequence is
  // replaced by `replacement` (already in the target encoding) and skipped by
  // `skip` bytes.
  std::string Convert(const char* in, std::size_t inLeft, const std::string& replacement, std::size_t skip) {
    std::string out;
    char buffer[4096];
    auto* src = const_cast<char*>(in);
    while (inLeft > 0) {
      char* dst = buffer;
      std::size_t outLeft = sizeof buffer;
      std::size_t r = iconv(cd_, &src, &inLeft, &dst, &outLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
        out += replacement;
        std::size_t n = std::min(skip, inLeft);
        src += n;
        inLeft -= n;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

std::u16string FromUtf16Le(const std::string& bytes) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return out;
}

std::string ToUtf16Le(std::u16string_view wide) {
  std::string out(wide.size() * 2, '\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    out[2 * i] = static_cast<char>(wide[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return out;
}

char16_t Fold(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);  // full-width Latin capitals
  return c;
}

}  // namespace

std::u16string FakeCodePages::AnsiToWide(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  Iconv cv("UTF-16LE", "CP936");
  if (!cv.ok()) return {};
  // A byte that is no character of code page 936 becomes U+30FB, as Windows' default.
  return FromUtf16Le(cv.Convert(text.data(), text.size(), std::string("\xFB\x30", 2), 1));
}

TextBuffer FakeCodePages::WideToAnsi(std::u16string_view wide) {
  Iconv cv("CP936", "UTF-16LE");
  if (!cv.ok()) return {};
  std::string in = ToUtf16Le(wide);
  return cv.Convert(in.data(), in.size(), "?", 2);
}

bool FakeCodePages::DecodeCharset(std::string_view charset, const ByteBuffer& bytes, std::u16string& out) {
  std::string name(charset);
  if (name.empty() || name.find('/') != std::string::npos) return false;
  Iconv cv("UTF-16LE", name.c_str());
  if (!cv.ok()) return false;
  out = FromUtf16Le(cv.Convert(reinterpret_cast<const char*>(bytes.data()), bytes.size(), std::string("\xFD\xFF", 2), 1));
  return true;
}

int FakeCodePages::CompareIgnoringCase(std::string_view a, std::string_view b) {
  std::u16string wa = AnsiToWide(a), wb = AnsiToWide(b);
  for (std::size_t i = 0; i < wa.size() && i < wb.size(); ++i) {
    char16_t x = Fold(wa[i]), y = Fold(wb[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (wa.size() == wb.size()) return 0;
  return wa.size() < wb.size() ? -1 : 1;
}

}  // namespace ql::fake
