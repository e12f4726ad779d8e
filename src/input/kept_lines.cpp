#include "input/kept_lines.h"

namespace input {

void beginKeptLines(platform::File input, KeptLines& kept, bool removeComments) {
    beginText(input, kept.reader);
    kept.removeComments = removeComments;
    kept.continuesLine = false;
    kept.dropLine = false;
    kept.cutByNul = 0;
}

// Only a piece that ends its line is trimmed: the blanks at a cut lie inside
// the command. Under /K the first piece decides for the whole line, so a long
// comment leaves no tail behind.
const char* nextKeptLine(platform::File input, KeptLines& kept) {
    LineBuffer& line = kept.reader;
    while (readLine(input, line) > 0) {
        bool firstPiece = !kept.continuesLine;
        kept.continuesLine = line.cut;
        if (!line.cut) {
            line.length = trimTrailingBlanks(line.text, line.length);
        }
        if (firstPiece) {
            kept.dropLine = kept.removeComments && isCommentLine(line.text);
        }
        if (!kept.dropLine) {
            if (line.lostText && kept.cutByNul == 0) {
                kept.cutByNul = line.number;
            }
            return line.text;
        }
    }
    return nullptr;
}

std::uint32_t lineLeftAfterEnd(platform::File input, KeptLines& kept) {
    return textFollowsEnd(input, kept.reader) ? kept.reader.number : 0;
}

} // namespace input
