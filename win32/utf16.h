// UTF-8, as the dialog library keeps every text, to the UTF-16 of the wide
// Windows calls and back. Invalid bytes become U+FFFD, never a crash.
#pragma once

#include <string>
#include <string_view>

namespace kelm9d {

std::wstring Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::wstring_view text);

}  // namespace kelm9d
