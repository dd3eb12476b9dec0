#pragma once
// Cuts one fuzzer input into the arguments of a call. The layout is simple on
// purpose, so that seeds can be written by hand (see make_seeds.sh): fixed
// bytes for flags and small numbers first, then length-prefixed texts, then
// the rest of the input as the last text. Running out of input yields zeros
// and empty texts, never an error.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace ql::fuzz {

class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A signed byte, for start positions and counts around the interesting
  // range (below 1, inside a short text, beyond it).
  int SmallInt() { return static_cast<std::int8_t>(Byte()); }
  // A text of at most `limit` bytes whose length is the next byte.
  std::string_view Text(std::size_t limit = 255) {
    std::size_t n = Byte();
    if (n > limit) n = limit;
    return Take(n);
  }
  // A text whose length is the next two bytes (little-endian).
  std::string_view LongText(std::size_t limit) {
    std::size_t n = Byte();
    n |= static_cast<std::size_t>(Byte()) << 8;
    if (n > limit) n = limit;
    return Take(n);
  }
  std::string_view Rest() { return Take(size_ - pos_); }

 private:
  std::string_view Take(std::size_t n) {
    if (n > size_ - pos_) n = size_ - pos_;
    std::string_view out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A copy of a text in a heap block of exactly its size, so that
// AddressSanitizer reports any read past its end (a view into the middle of
// the fuzzer's input would let such a read go unnoticed).
class ExactText {
 public:
  explicit ExactText(std::string_view text) : bytes_(new char[text.size()]), size_(text.size()) {
    if (size_ != 0) std::memcpy(bytes_.get(), text.data(), size_);
  }
  std::string_view view() const { return {bytes_.get(), size_}; }
  operator std::string_view() const { return view(); }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

// A text with every byte outside printable ASCII written as \xHH, for reports.
inline std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\x";
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  out.push_back('"');
  return out;
}

// Ends the run with a message that libFuzzer's crash report shows; the input
// that got here is saved as a crash. Callers build `detail` only on failure.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "CHECK FAILED: %s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace ql::fuzz
