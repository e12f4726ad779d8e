// A folder of the fuzz target's own for the files of its runs, in memory
// where it can be, removed when the target ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

inline std::string scratchFolder() {
    static std::string folder = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    folder += "/squeezle-fuzz-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::abort();
    }
    std::atexit([] { std::filesystem::remove_all(folder); });
    return folder;
}
