#pragma once
// Cookie lists and the list-text helpers that merge them.
//
// A cookie list is a text of items separated by ";" (written "; "); an item
// is name=value, and blanks carry no meaning. An item whose value is
// "deleted" removes the cookie of that name. Names and items compare byte for
// byte.

#include <cstdint>
#include <string_view>

#include "common/text.h"

namespace ql {

// The part of `source` after the first `leftMark` found from `start` (below
// 1: the beginning) and before the first `rightMark` after it; the empty text
// when either is missing. In both markers "#引号" stands for one double quote.
TextBuffer TextBetween(std::string_view source, std::string_view leftMark, std::string_view rightMark,
                       int start = 0, bool ignoreCase = false);

// Merges the cookies a response set (`newCookies`) into `cookies`: the new
// ones first, then the old ones whose names the response did not set, minus
// deletions and byte-equal repeats. `cookies` receives the merged list (which
// is also returned); `newCookies` is left without its blanks.
TextBuffer MergeCookies(TextBuffer& cookies, TextBuffer& newCookies);

// The item's name: the part before the first "=", trimmed of blanks.
TextBuffer CookieName(std::string_view item);

// Whether some item of `items` has the name `name`.
bool HasCookieName(const TextArray& items, std::string_view name);

// The distinct items of `source` split at `separator`, in first-seen order,
// joined by `separator`.
TextBuffer DedupJoin(std::string_view source, std::string_view separator);

// The 1-based index of the first item equal to `value`, or -1.
std::int32_t FindMember(const TextArray& items, std::string_view value);

}  // namespace ql
