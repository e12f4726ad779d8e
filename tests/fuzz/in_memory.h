// A whole compression as squeezle's run makes it, over bytes in memory: the
// text is handed to the reader in pieces of varying size, as a pipe gives
// them, and nothing touches the file system.
#pragma once

#include "compress/compression.h"
#include "input/kept_lines.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

struct InMemory {
    const char* bytes;
    std::size_t left;
};

inline std::size_t readInMemory(void* context, char* into, std::size_t size) {
    auto& memory = *static_cast<InMemory*>(context);
    std::size_t piece = std::min({size, memory.left, 1 + memory.left % 1500});
    std::memcpy(into, memory.bytes, piece);
    memory.bytes += piece;
    memory.left -= piece;
    return piece;
}

inline input::KeptLines keptLines;
inline compress::Compression compression;

// Compresses `text` into `compression`, its notes in `keptLines.leftOut`. The
// callers' texts stay below the size limit.
inline void compressInMemory(const std::string& text, bool removeComments) {
    InMemory memory{text.data(), text.size()};
    input::beginKeptLines({readInMemory, &memory}, keptLines, removeComments);
    compress::beginCompression(compression);
    while (const char* line = input::nextKeptLine(keptLines)) {
        if (!compress::holdLine(compression, line, keptLines.reader.length)) {
            std::abort();
        }
    }
    compress::selectTable(compression);
    compress::codeSource(compression);
}
