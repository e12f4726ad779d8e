// A decoder that exists only for the tests: it turns a finished compressed
// file back into the characters of the kept lines, checking every rule of the
// format on the way, and an independent model of which lines a run keeps.
#pragma once

#include <string>

namespace testing_support {

struct Decoded {
    std::string fault; // empty when the file is well formed
    std::string text;  // the kept lines' characters, one after another
    std::string table; // the unscrambled table, up to its first free position
};

// Decodes a whole compressed file, header included.
Decoded decode(const std::string& file);

// The table a run must build for `kept`: its byte values by falling count,
// the lower value first among equals, at most 30.
std::string expectedTable(const std::string& kept);

// The characters that a run over `input` keeps, worked out from the file's
// bytes without the tool's code: lines end at LF, which gets a CR before it
// where the file has none, Ctrl-Z ends the text, a second LF in the same
// 1024-byte read is swallowed, pieces of long lines keep their blanks, and /K
// drops comment lines whole.
std::string keptText(const std::string& input, bool removeComments);

} // namespace testing_support
