#pragma once

#include <string_view>

namespace fleet {

// The page's style sheet and script, and their hashes as a Content-Security-Policy source.
std::string_view PageCss();
std::string_view PageScript();
extern const char kPageCssHash[];
extern const char kPageScriptHash[];

}  // namespace fleet
