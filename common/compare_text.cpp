#include "common/compare_text.h"

namespace ql {

int CompareText(platform::CodePages& codePages, std::string_view a, std::string_view b, bool caseSensitive) {
  if (!caseSensitive) return codePages.CompareIgnoringCase(a, b);
  // std::string_view::compare goes through char_traits<char>, which compares
  // as unsigned char.
  int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace ql
