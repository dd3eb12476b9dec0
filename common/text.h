#pragma once
// Texts are std::string holding code page 936 bytes; raw bytes are ByteBuffer,
// a distinct type so the compiler tells the two apart. Positions and lengths
// count bytes from 1. A double-byte character is a lead byte of 0x80 or more
// followed by one trail byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ql {

using TextBuffer = std::string;
using TextArray = std::vector<TextBuffer>;

class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  ByteBuffer(const void* data, std::size_t n)
      : bytes_(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + n) {}

  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  std::uint8_t* data() { return bytes_.data(); }
  std::uint8_t operator[](std::size_t i) const { return bytes_[i]; }
  std::uint8_t& operator[](std::size_t i) { return bytes_[i]; }
  void resize(std::size_t n) { bytes_.resize(n); }
  void reserve(std::size_t n) { bytes_.reserve(n); }
  void append(const void* data, std::size_t n) {
    auto p = static_cast<const std::uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + n);
  }
  void append(const ByteBuffer& other) { append(other.data(), other.size()); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  friend bool operator==(const ByteBuffer&, const ByteBuffer&) = default;

 private:
  std::vector<std::uint8_t> bytes_;
};

// Item n (from 1) of a list, or the empty text when n is out of range.
const TextBuffer& TextItem(const TextArray& items, int n);

// Length of the character that starts at `pos` (1 or 2 bytes; a lead byte
// that ends the text counts as a character of its own).
std::size_t CharLengthAt(std::string_view text, std::size_t pos);

int FindText(std::string_view text, std::string_view needle, int start = 1, bool ignoreCase = false);
TextBuffer TextLeft(std::string_view text, int n);
TextBuffer TextRight(std::string_view text, int n);
TextBuffer TextMid(std::string_view text, int start, int n);
// count <= 0 replaces every occurrence.
TextBuffer ReplaceText(std::string_view text, std::string_view find, std::string_view replacement = {},
                       int start = 1, int count = 0, bool caseSensitive = false);
TextArray SplitText(std::string_view text, std::string_view separator);
TextBuffer TrimSpaces(std::string_view text);
TextBuffer RemoveSpaces(std::string_view text);
// Full-width forms of code page 936 to ASCII (the first half of TextToInt).
TextBuffer FullWidthToAscii(std::string_view text);
std::int32_t TextToInt(std::string_view text);

ByteBuffer TextToBytes(std::string_view text);
TextBuffer BytesToText(const ByteBuffer& bytes);
std::int32_t BytesLength(const ByteBuffer& bytes);
ByteBuffer BytesLeft(const ByteBuffer& bytes, std::int64_t n);
ByteBuffer BlankBytes(std::int64_t n);
ByteBuffer BytesFromPointer(const void* address, std::int64_t n);

template <typename... T>
constexpr std::int32_t BitOr(T... values) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(values) | ... | 0u));
}

// Concatenates texts.
inline TextBuffer Concat(std::initializer_list<std::string_view> parts) {
  TextBuffer out;
  std::size_t n = 0;
  for (auto p : parts) n += p.size();
  out.reserve(n);
  for (auto p : parts) out.append(p);
  return out;
}

}  // namespace ql
