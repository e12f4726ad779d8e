// A whole compression as squeezle's run makes it, over bytes in memory: the
// text is handed to the reader in pieces of varying size, as a pipe gives
// them, and nothing touches the file system.
#pragma once

#include "squeezle/run.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

// The rest of the text, a piece at a time.
inline std::size_t readInMemory(void* rest, char* into, std::size_t size) {
    auto& text = *static_cast<std::string_view*>(rest);
    std::size_t piece = text.copy(into, std::min(size, 1 + text.size() % 1500));
    text.remove_prefix(piece);
    return piece;
}

inline input::KeptLines keptLines;
inline compress::Compression compression;

// Compresses `text` into `compression`, its notes in `keptLines.leftOut`,
// and builds the file as squeezle's run does. The callers' texts stay below
// the size limit.
inline void compressInMemory(const std::string& text, bool removeComments) {
    std::string_view rest = text;
    input::beginKeptLines({readInMemory, &rest}, keptLines, removeComments);
    compress::beginCompression(compression);
    for (input::KeptLine line; (line = input::nextKeptLine(keptLines)).text != nullptr;) {
        if (!compress::takeLine(compression, line.length)) {
            std::abort();
        }
        input::holdLine(keptLines, line);
    }
    squeezle::buildFile(keptLines, compression);
}
