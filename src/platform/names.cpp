// The few names and numbers the platform layer writes itself, the same on
// every system.
#include "platform/platform.h"
#include "platform/system.h"

#include <algorithm>
#include <cstring>

namespace platform::detail {

std::size_t putDecimal(char* into, std::uint32_t number) {
    char digits[sizeof "4294967295"];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    std::reverse_copy(digits, digits + count, into);
    return count;
}

void nameUnfinished(char* into, const char* target, std::size_t folderLength,
                    std::uint32_t number) {
    std::memcpy(into, target, folderLength);
    char* at = std::strcpy(into + folderLength, "squeezle-");
    at += std::strlen(at);
    at += putDecimal(at, number);
    std::strcpy(at, ".unfinished");
}

} // namespace platform::detail
