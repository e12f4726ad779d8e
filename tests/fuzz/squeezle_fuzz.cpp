// libFuzzer target: any bytes, as a batch file, through a whole compression
// as squeezle's run makes it, with and without /K. unsqueezle's decoder must find the file
// sound and give back exactly the characters of the lines the run keeps,
// worked out here from the bytes alone, behind a table of their 30 most
// frequent bytes.
#include "decompress/decoder.h"
#include "in_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Each piece counts its length plus one and consumes at least one byte, so
// 32000 bytes stay below the size limit: every run completes.
constexpr std::size_t kLargestInput = 32000;

bool isComment(std::string line) {
    for (char& c : line) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    return line.empty() || line.rfind("::", 0) == 0 ||
           (line.rfind("REM ", 0) == 0 && line.rfind("REM >", 0) != 0);
}

// The lines of the file where the text first leaves something out.
bool sameNotes(const input::LeftOut& a, const input::LeftOut& b) {
    return std::tie(a.cutByNul, a.blankLine, a.trailingBlanks, a.utf16) ==
           std::tie(b.cutByNul, b.blankLine, b.trailingBlanks, b.utf16);
}

std::uint32_t lineAt(const std::string& input, std::size_t position) {
    return static_cast<std::uint32_t>(
        std::count(input.begin(), input.begin() + static_cast<long>(position), '\n') + 1);
}

void note(std::uint32_t& first, std::uint32_t line) {
    first = first == 0 ? line : first;
}

// Lines end at LF, and one whose LF has no CR before it in the file gets
// one; Ctrl-Z ends the text, an LF right after a CR LF in the same 1024-byte
// read is swallowed (a blank line left out), a NUL cuts a line short but an
// LF-ended one keeps its CR (so does a piece whose last byte is the CR that
// ends its line), pieces of long lines keep their blanks, other
// lines lose theirs, /K drops comment lines whole.
std::string keptText(const std::string& input, bool removeComments, input::LeftOut& notes) {
    std::string kept;
    bool continues = false, dropping = false;
    for (std::size_t position = 0;;) {
        std::string read = input.substr(position, 1024);
        std::size_t end = std::min(read.find_first_of("\n\x1a"), read.size());
        bool atLineFeed = end < read.size() && read[end] == '\n';
        // A CR that ends a piece ends its line when an LF, a Ctrl-Z or the end follows.
        std::size_t after = position + end;
        bool returnEnds = end == 1024 && read[end - 1] == '\r' &&
                          (after == input.size() || input[after] == '\n' || input[after] == '\x1a');
        bool foundReturn =
            atLineFeed ? position + end > 0 && input[position + end - 1] == '\r' : returnEnds;
        std::size_t used = end;
        if (atLineFeed) {
            used += (foundReturn && end + 1 < read.size() && read[end + 1] == '\n') ? 2 : 1;
        }
        if (used == 0) {
            return kept;
        }
        std::uint32_t number = lineAt(input, position);
        note(notes.blankLine, used == end + 2 ? number + 1 : 0);
        position += used;
        std::string line = read.substr(0, end);
        std::size_t nul = line.find('\0');
        std::string lost = nul < end ? line.substr(nul, end - nul - (foundReturn ? 1 : 0)) : "";
        line.erase(std::min(nul, line.size()));
        if ((atLineFeed || returnEnds) && (nul != std::string::npos || !foundReturn)) {
            line += '\r';
        }
        bool cut = end == 1024, first = !continues;
        continues = cut;
        std::size_t untrimmed = line.size();
        if (!cut) {
            line.erase(line.find_last_not_of(" \t") + 1);
        }
        if (first) {
            dropping = removeComments && isComment(line);
        }
        if (!dropping) {
            note(notes.cutByNul,
                 lost.find_first_not_of(std::string(" \t\0", 3)) != std::string::npos ? number : 0);
            note(notes.trailingBlanks, line.size() < untrimmed ? number : 0);
            kept += line;
        }
    }
}

// Byte values by falling count, the lower first among equals, at most 30.
std::string expectedTable(const std::string& kept) {
    std::vector<std::pair<long, int>> ranked; // (-count, value) sorts as the table
    for (int value = 0; value < 256; ++value) {
        ranked.emplace_back(-std::count(kept.begin(), kept.end(), static_cast<char>(value)), value);
    }
    std::sort(ranked.begin(), ranked.end());
    std::string table;
    for (std::size_t i = 0; i < 30 && ranked[i].first < 0; ++i) {
        table += static_cast<char>(ranked[i].second);
    }
    return table;
}

decompress::FileImage image;
decompress::Decoded decoded;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (size > kLargestInput) {
        return -1;
    }
    for (bool removeComments : {false, true}) {
        compressInMemory(text, removeComments);
        std::memcpy(image.bytes, compression.file, compression.fileSize);
        image.size = compression.fileSize;
        input::LeftOut model{};
        model.utf16 = text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0;
        std::string kept = keptText(text, removeComments, model);
        const char* table = reinterpret_cast<const char*>(decoded.header.table);
        if (decompress::decode(image, decoded, false) != decompress::Fault::None ||
            std::string(decoded.text, decoded.length) != kept ||
            std::string(table, strnlen(table, 30)) != expectedTable(kept) ||
            !sameNotes(keptLines.leftOut, model)) {
            std::abort();
        }
    }
    return 0;
}
