#include "input/kept_lines.h"

#include "base/ascii.h"

#include <cstring>

namespace input {

namespace {

// The first place where something is left out is the one told.
void note(std::uint32_t& first, std::uint32_t line) {
    if (first == 0) {
        first = line;
    }
}

// FF FE or FE FF: every other byte of such a text is a NUL.
bool beginsUtf16(const char* first) {
    auto one = static_cast<unsigned char>(first[0]);
    auto two = static_cast<unsigned char>(first[1]);
    return (one == 0xFF && two == 0xFE) || (one == 0xFE && two == 0xFF);
}

// The kept line's first CR splits it when it is not its last byte, or when
// it ends a piece that the line goes on after.
bool returnSplits(const LineReader& reader) {
    const void* found = std::memchr(reader.text, format::kCarriageReturn, reader.length);
    if (found == nullptr) {
        return false;
    }
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - reader.text);
    return at + 1 < reader.length || (reader.cut && !reader.returnEndsLine);
}

// The length of the `length` bytes of `line` without the blanks and tabs at
// their end; a CR stops it.
std::size_t lengthWithoutTrailingBlanks(const char* line, std::size_t length) {
    while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t')) {
        --length;
    }
    return length;
}

// True for a line of `length` bytes that /K drops: one that is empty, begins
// with "::", or begins with "rem " but not with "rem >" (letters in any case).
// A leading blank, tab or '@' makes a line ordinary.
bool isCommentLine(const char* line, std::size_t length) {
    auto begins = [line, length](const auto& prefix) { // a string literal
        return length >= sizeof prefix - 1 && base::startsWithIgnoringCase(line, prefix);
    };
    return length == 0 || begins("::") || (begins("rem ") && !begins("rem >"));
}

} // namespace

void beginKeptLines(Source source, KeptLines& kept, bool removeComments) {
    beginText(source, kept.reader);
    kept.removeComments = removeComments;
    kept.continuesLine = false; // the first piece sets dropLine
    kept.leftOut = LeftOut{0, 0, 0, 0, beginsUtf16(firstBytes(kept.reader)), 0};
    kept.held.size = 0;
}

// Only a piece that ends its line is
// trimmed: the blanks at a cut lie inside the command. Under /K the first
// piece decides for the whole line, so a long comment leaves no tail behind.
KeptLine nextKeptLine(KeptLines& kept) {
    LineReader& reader = kept.reader;
    LeftOut& leftOut = kept.leftOut;
    while (readLine(reader) > 0) {
        note(leftOut.blankLine, reader.swallowed);
        bool firstPiece = !kept.continuesLine;
        kept.continuesLine = reader.cut;
        std::size_t untrimmed = reader.length;
        if (!reader.cut) {
            reader.length = lengthWithoutTrailingBlanks(reader.text, reader.length);
        }
        if (firstPiece) {
            kept.dropLine = kept.removeComments && isCommentLine(reader.text, reader.length);
        }
        if (!kept.dropLine) {
            note(leftOut.cutByNul, reader.lostText ? reader.number : 0);
            note(leftOut.trailingBlanks, reader.length < untrimmed ? reader.number : 0);
            note(leftOut.splitByReturn, returnSplits(reader) ? reader.number : 0);
            return {reader.text, reader.length, reader.number};
        }
    }
    return {nullptr, 0, reader.number};
}

void noteTextAfterEnd(KeptLines& kept) {
    if (textFollowsEnd(kept.reader)) {
        kept.leftOut.afterCtrlZ = kept.reader.number;
    }
}

void holdLine(KeptLines& kept, const KeptLine& line) {
    HeldText& held = kept.held;
    std::memcpy(held.text + held.size, line.text, line.length);
    held.size += line.length;
}

const HeldText& heldText(const KeptLines& kept) {
    return kept.held;
}

} // namespace input
