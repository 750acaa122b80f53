// A reader for private-profile (INI) files with the rules of the Windows
// reader the parameter files were written for:
//
//   [Section]
//   key = value
//
// - Section and key names are compared without regard to ASCII letter case;
//   blanks (spaces and tabs) around names and values are trimmed.
// - A value enclosed in matching quotes ("..." or '...') loses them; what is
//   inside is kept as it stands, blanks included.
// - A line whose first non-blank character is ';' is a comment. Nothing else
//   starts a comment: "k=v ; note" has the value "v ; note".
// - The first matching key of the first matching section counts. A later
//   section of the same name is not searched.
// - Inside a section, a line without '=' is ignored, as are lines before the
//   first section.
// - A section line is '[' name ']'; whatever follows the ']' is ignored, and
//   a line missing the ']' names the section up to the end of the line.
// - Line ends may be LF, CRLF or CR; the last line needs none. Bytes are 8-bit
//   text with no encoding assumed.
// - When the file, the section or the key is missing, the result is the
//   default with its trailing blanks removed. A key present with an empty
//   value gives the empty text, not the default.
// - The result is cut to bufferSize - 1 bytes (room for the terminator the
//   Windows call writes); a bufferSize of 0 gives the empty text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelm9d {

inline constexpr std::size_t kProfileBufferSize = 512;

// The pure reader over the text of a file. Any byte sequence is acceptable.
std::string ReadProfileString(std::string_view fileText, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize = kProfileBufferSize);

// Reads the file at `path` and looks the key up in it. A file that does not
// exist or cannot be read counts as empty: the result is the default. On
// Windows the platform's own reader does this, with the same rules.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path,
                                    std::size_t bufferSize = kProfileBufferSize);

}  // namespace kelm9d
