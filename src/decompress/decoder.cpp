#include "decompress/decoder.h"

namespace decompress {

using base::Failure;

namespace {

// The four codes from half `index` of the stream on, first code in the top
// four bits: the high half of a byte comes before its low half. It may read
// a byte past the stream's end, into the image's spare room.
unsigned codesAt(const std::uint8_t* stream, std::size_t index) {
    unsigned window = static_cast<unsigned>(stream[index / 2] << 8 | stream[index / 2 + 1]);
    return (window << (index % 2 == 0 ? 4 : 8)) >> 4 & 0xFFFF;
}

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

// Decodes the characters one after another into `text`: the counters stay
// local, since a write through `text` could be one to any of them. A code's
// followers are taken before the stream's end is checked.
Failure decodeStream(const FileImage& image, Decoded& decoded, const bool (&inTable)[256]) {
    const std::uint8_t* stream = image.bytes + format::kHeaderSize;
    const std::uint8_t* table = decoded.header.table;
    std::size_t halves = 2 * (image.size - format::kHeaderSize);
    std::size_t next = 0, length = 0, lines = 0, count = decoded.header.characterCount;
    Failure fault = Failure::None;
    while (length < count && fault == Failure::None) {
        unsigned codes = codesAt(stream, next);
        unsigned code = codes >> 12;
        bool literal = code == format::kLiteralCode;
        std::uint8_t character = 0;
        if (code >= format::kFirstRankCode) {
            character = table[code - format::kFirstRankCode];
            next += 1;
        } else if (code == format::kSecondRankCode) {
            character = table[format::kOneCodeEntries + (codes >> 8 & 0x0F)];
            next += 2;
        } else {
            character = static_cast<std::uint8_t>((codes & 0xF0) | (codes >> 8 & 0x0F));
            next += 3;
        }
        if (next > halves) {
            fault = Failure::StreamEnds;
        } else if (character == 0) {
            fault = literal ? Failure::LiteralNul : Failure::FreePosition;
        } else if (literal && inTable[character]) {
            fault = Failure::NeedlessLiteral;
        } else {
            decoded.text[length++] = static_cast<char>(character);
            lines += character == '\r' ? 1 : 0;
        }
    }
    decoded.length = length;
    decoded.lines = lines;
    if (fault != Failure::None || halves - next > 1) {
        return fault != Failure::None ? fault : Failure::BytesAfterStream;
    }
    return next < halves && codesAt(stream, next) >> 12 != 0 ? Failure::PaddingSet : Failure::None;
}

} // namespace

void readImage(platform::File file, FileImage& image) {
    image.size = 0;
    long got = 0;
    while (image.size < kImageCapacity &&
           (got = platform::readFile(file, image.bytes + image.size,
                                     kImageCapacity - image.size)) > 0) {
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
