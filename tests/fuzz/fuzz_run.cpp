// libFuzzer target: any bytes, as a batch file, through a whole quiet run,
// with and without /K. The file written must decode to exactly the lines the
// run keeps, behind a table of exactly their 30 most frequent bytes.
#include "compress/compressor.h"
#include "squeezle/run.h"

#include "support/decoder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// Each piece counts its length plus one and consumes at least one byte, so
// 32000 bytes stay below the size limit: every run completes.
constexpr std::size_t kLargestInput = 32000;

// A folder in memory where there is one, removed when the fuzzer exits.
std::string scratchFolder() {
    static std::string folder = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    folder += "/squeezle-fuzz-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::abort();
    }
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    });
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    // A file that begins with the signature is refused before any output.
    if (size > kLargestInput || text.rfind("\xBE\xEB", 0) == 0) {
        return -1;
    }
    static const std::string folder = scratchFolder();
    static const std::string input = folder + "/in.bat", output = folder + "/out.zcl";
    std::ofstream(input, std::ios::binary) << text;
    for (bool removeComments : {false, true}) {
        compress::Compressor compressor;
        base::speaker.quiet = true;
        squeezle::run(squeezle::RunOptions{removeComments, true}, input.c_str(), output.c_str(),
                      compressor);
        std::ostringstream file;
        file << std::ifstream(output, std::ios::binary).rdbuf();
        testing_support::Decoded decoded = testing_support::decode(file.str());
        std::string kept = testing_support::keptText(text, removeComments);
        if (!decoded.fault.empty() || decoded.text != kept ||
            decoded.table != testing_support::expectedTable(kept) ||
            compressor.sourceSize() < static_cast<std::int32_t>(kept.size())) {
            std::abort();
        }
    }
    return 0;
}
