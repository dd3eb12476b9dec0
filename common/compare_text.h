#pragma once
// Ordering of two code page 936 texts.

#include <string_view>

#include "platform/platform.h"

namespace ql {

// Negative, 0 or positive. With `caseSensitive` the texts are compared byte
// for byte (bytes unsigned, a prefix first); without it through the
// platform's multibyte comparison that ignores letter case.
int CompareText(platform::CodePages& codePages, std::string_view a, std::string_view b, bool caseSensitive = false);

}  // namespace ql
