// libFuzzer target: any bytes as a compressed file, for unsqueezle's decoder.
// It must never crash or read out of bounds, and it must accept exactly the
// files a compressing run writes: for a file it finds sound, a whole quiet run
// of squeezle, from an input built of its text, writes the same bytes.
#include "decompress/decoder.h"
#include "scratch.h"
#include "squeezle/run.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

decompress::FileImage image;
decompress::Decoded decoded;

// The text as one line without LF, which the reader takes in pieces of 1024
// and keeps whole. A last piece shorter than that is trimmed, unless NULs fill
// its read: a full read is a cut piece, and the NUL ends it as a string. An
// input that begins with the signature is refused, so a comment line that /K
// drops goes ahead of it.
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
    if (decompress::decode(image, decoded, false) != base::Failure::None) {
        return 0;
    }
    static const std::string folder = scratchFolder();
    static const std::string input = folder + "/in.bat", output = folder + "/out.zcl";
    bool removeComments = false;
    std::string text(decoded.text, decoded.length);
    std::ofstream(input, std::ios::binary) << inputFor(text, removeComments);
    base::setQuiet();
    squeezle::run({removeComments, true, true}, input.c_str(), output.c_str());
    std::ifstream written(output, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(written), {}) !=
        std::string(reinterpret_cast<const char*>(data), size)) {
        std::abort();
    }
    return 0;
}
