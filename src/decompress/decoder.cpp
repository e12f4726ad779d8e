#include "decompress/decoder.h"

namespace decompress {

using base::Failure;
using format::kTableSize;

namespace {

// The codes of the stream, one 4-bit half at a time, high half first.
struct CodeReader {
    const std::uint8_t* bytes;
    std::size_t halves; // how many the stream holds
    std::size_t next;
    // False when the stream is used up.
    bool read(std::uint8_t& code) {
        if (next == halves) {
            return false;
        }
        std::uint8_t byte = bytes[next / 2];
        code = static_cast<std::uint8_t>(next % 2 == 0 ? byte >> 4 : byte & 0x0F);
        ++next;
        return true;
    }
};

Failure checkHeader(const format::CompressedHeader& header) {
    if (header.flags == 0) {
        return Failure::Unfinished;
    }
    if (header.flags != format::kFinishedFlags) {
        return Failure::UnknownFlags;
    }
    if (header.reserved != 0) {
        return Failure::ReservedSet;
    }
    return header.characterCount > format::kLargestCount ? Failure::CountTooLarge : Failure::None;
}

// Filled positions come first, each byte once; 0 marks the free ones after them.
Failure checkTable(const format::CompressedHeader& header, bool (&inTable)[256]) {
    bool freeSeen = false;
    for (std::uint8_t entry : header.table) {
        if (entry == 0) {
            freeSeen = true;
        } else if (freeSeen) {
            return Failure::TableGap;
        } else if (inTable[entry]) {
            return Failure::TableRepeats;
        }
        inTable[entry] = true;
    }
    return Failure::None;
}

// One character from the stream into `character`, or the fault that stops it.
Failure readCharacter(CodeReader& codes, const format::CompressedHeader& header,
                      const bool (&inTable)[256], std::uint8_t& character) {
    std::uint8_t code = 0, low = 0, high = 0;
    if (!codes.read(code)) {
        return Failure::StreamEnds;
    }
    if (code == format::kLiteralCode) {
        if (!codes.read(low) || !codes.read(high)) {
            return Failure::StreamEnds;
        }
        character = static_cast<std::uint8_t>(high << 4 | low);
        if (character == 0) {
            return Failure::LiteralNul;
        }
        return inTable[character] ? Failure::NeedlessLiteral : Failure::None;
    }
    if (code == format::kSecondRankCode) {
        if (!codes.read(low)) {
            return Failure::StreamEnds;
        }
        character = header.table[format::kOneCodeEntries + low];
    } else {
        character = header.table[code - format::kFirstRankCode];
    }
    return character == 0 ? Failure::FreePosition : Failure::None;
}

Failure decodeStream(const FileImage& image, Decoded& decoded, const bool (&inTable)[256]) {
    std::size_t streamSize = image.size - format::kHeaderSize;
    CodeReader codes{image.bytes + format::kHeaderSize, 2 * streamSize, 0};
    while (decoded.length < decoded.header.characterCount) {
        std::uint8_t character = 0;
        Failure fault = readCharacter(codes, decoded.header, inTable, character);
        if (fault != Failure::None) {
            return fault;
        }
        decoded.text[decoded.length++] = static_cast<char>(character);
        decoded.lines += character == '\r' ? 1 : 0;
    }
    if (streamSize > (codes.next + 1) / 2) {
        return Failure::BytesAfterStream;
    }
    std::uint8_t padding = 0;
    return codes.read(padding) && padding != 0 ? Failure::PaddingSet : Failure::None;
}

} // namespace

void readImage(platform::File file, FileImage& image) {
    image.size = 0;
    long got = 0;
    while (image.size < sizeof image.bytes &&
           (got = platform::readFile(file, image.bytes + image.size,
                                     sizeof image.bytes - image.size)) > 0) {
        image.size += static_cast<std::size_t>(got);
    }
    if (got < 0) {
        base::fail(Failure::ReadInput);
    }
}

Failure decode(const FileImage& image, Decoded& decoded) {
    decoded.headerRead = false;
    decoded.length = 0;
    decoded.lines = 0;
    if (image.size > format::kLargestFile) {
        return Failure::FileTooLong;
    }
    if (image.size < format::kHeaderSize) {
        return Failure::ShortFile;
    }
    std::uint8_t headerBytes[format::kHeaderSize];
    for (std::size_t i = 0; i < format::kHeaderSize; ++i) {
        headerBytes[i] = image.bytes[i];
    }
    decoded.header = format::headerOf(headerBytes);
    if (decoded.header.signature != format::kSignature) {
        return Failure::NotCompressed;
    }
    decoded.headerRead = true;
    if (decoded.header.flags != 0) {
        format::unscrambleTable(decoded.header); // a placeholder's table was never scrambled
    }
    bool inTable[256] = {};
    Failure fault = checkHeader(decoded.header);
    if (fault == Failure::None) {
        fault = checkTable(decoded.header, inTable);
    }
    return fault == Failure::None ? decodeStream(image, decoded, inTable) : fault;
}

} // namespace decompress
