#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text as it may stand in the page. Values come from reports that any user of the share can
// write, so each is escaped for the place it lands in.
namespace fleet {

// HTML text and quoted attribute values alike: & < > " ' as character references.
std::string EscapeHtml(std::string_view text);

// A JSON string literal that is also safe inside a script element: besides JSON's own escapes,
// < > & and the line separators U+2028 and U+2029 become \uXXXX, so no value can close the
// element or start a comment.
std::string JsonString(std::string_view text);

// At most max_chars characters of UTF-8 text, cut between characters, with an ellipsis when cut.
std::string Shorten(std::string_view text, std::size_t max_chars);

// 1234567 as "1,234,567".
std::string GroupDigits(std::int64_t value);

}  // namespace fleet
