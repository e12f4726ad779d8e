// libFuzzer target: any bytes as a compressed file, for unsqueezle's decoder.
// It must never crash or read out of bounds, and it must accept exactly the
// files a compressing run writes: for a file it finds sound, a whole
// compression, as squeezle's run makes it from an input built of its text,
// gives the same bytes.
#include "decompress/decoder.h"
#include "in_memory.h"

#include <cstring>
#include <string>

namespace {

decompress::FileImage image;
decompress::Decoded decoded;

// The text as one line without LF, which the reader takes in pieces of 1024
// and keeps whole. A last piece shorter than that is trimmed, unless NULs fill
// its read: a full read is a cut piece, and the NUL ends it as a string. A
// run refuses an input that begins with the signature, so a comment line that
// /K drops goes ahead of it.
std::string inputFor(const std::string& text, bool& removeComments) {
    std::string input = text;
    if (!text.empty() && (text.back() == ' ' || text.back() == '\t') && text.size() % 1024 != 0) {
        input.append(1024 - text.size() % 1024, '\0');
    }
    removeComments = text.rfind("\xBE\xEB", 0) == 0;
    return removeComments ? "::\n" + input : input;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > decompress::kImageCapacity) {
        return -1;
    }
    std::memcpy(image.bytes, data, size);
    image.size = size;
    if (decompress::decode(image, decoded, false) != decompress::Fault::None) {
        return 0;
    }
    bool removeComments = false;
    std::string text(decoded.text, decoded.length);
    compressInMemory(inputFor(text, removeComments), removeComments);
    if (compression.fileSize != size || std::memcmp(compression.file, data, size) != 0) {
        std::abort();
    }
    return 0;
}
