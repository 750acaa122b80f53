// Just enough JSON writing for the batch host's report lines.
#pragma once

#include <string>
#include <string_view>

namespace kelm9d {

// A JSON string literal, quotes included. Control characters are escaped;
// bytes that are not valid UTF-8 become U+FFFD so the line stays valid JSON.
std::string JsonString(std::string_view text);

}  // namespace kelm9d
