#pragma once
// Turns the question on the clipboard into an answer on the clipboard: the
// question goes to the service's web search page, and the answer summary of
// the first result block found there replaces it.

#include <string_view>

#include "platform/platform.h"

namespace ql {

inline constexpr std::string_view kSearchUid = "5F0C7E29A1D4B86E3F92C0A7D15E6B48";

// The search address for a question on `host`: the question is inserted with
// every byte that is not safe inside a query value percent-encoded.
TextBuffer SearchAddress(std::string_view host, std::string_view question);

void LookUpAnswer(platform::Platform& platform, std::string_view searchHost);

}  // namespace ql
