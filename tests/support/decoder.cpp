#include "support/decoder.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace testing_support {

Decoded decode(const std::string& file) {
    Decoded decoded;
    auto broken = [&decoded](const char* why) {
        decoded.fault = why;
        return decoded;
    };
    auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(file[i]); };
    if (file.size() < 36) {
        return broken("shorter than the header");
    }
    if (byteAt(0) != 0xBE || byteAt(1) != 0xEB || byteAt(2) != 0x8C || byteAt(3) != 0) {
        return broken("bad signature, flags or reserved byte");
    }
    std::size_t count = byteAt(4) | (byteAt(5) << 8);
    std::uint8_t table[30];
    table[29] = byteAt(35);
    for (int i = 28; i >= 0; --i) {
        table[i] = byteAt(6 + i) ^ byteAt(7 + i);
    }
    for (int i = 1; i < 30; ++i) {
        if ((table[i] != 0 && (table[i - 1] == 0 || std::count(table, table + i, table[i]) > 0))) {
            return broken("table holds a value twice or after a free position");
        }
    }
    std::size_t codeIndex = 0;
    auto next = [&]() -> int {
        std::size_t at = 36 + codeIndex / 2;
        if (at >= file.size()) {
            return -1;
        }
        int code = codeIndex % 2 == 0 ? byteAt(at) >> 4 : byteAt(at) & 0x0F;
        ++codeIndex;
        return code;
    };
    decoded.table.assign(reinterpret_cast<const char*>(table), 30);
    decoded.table.erase(std::min(decoded.table.find('\0'), decoded.table.size()));
    while (decoded.text.size() < count) {
        int code = next();
        int character = -1;
        if (code >= 2) {
            character = table[code - 2];
        } else if (code == 1) {
            int rank = next();
            character = rank < 0 ? -1 : table[14 + rank];
        } else if (code == 0) {
            int low = next(), high = next();
            character = (low < 0 || high < 0) ? -1 : (high << 4) | low;
            if (std::count(table, table + 30, character) > 0) {
                return broken("literal for a byte in the table");
            }
        }
        if (character <= 0) {
            return broken("stream ends early or names a free table position");
        }
        decoded.text += static_cast<char>(character);
    }
    if (file.size() != 36 + (codeIndex + 1) / 2 || (codeIndex % 2 == 1 && (file.back() & 0x0F))) {
        decoded.fault = "stream length or padding wrong";
    }
    return decoded;
}

std::string expectedTable(const std::string& kept) {
    long counts[256] = {};
    for (char c : kept) {
        ++counts[static_cast<unsigned char>(c)];
    }
    std::vector<std::pair<long, int>> ranked; // (-count, value) sorts as the table does
    for (int value = 1; value < 256; ++value) {
        if (counts[value] > 0) {
            ranked.push_back({-counts[value], value});
        }
    }
    std::sort(ranked.begin(), ranked.end());
    std::string table;
    for (std::size_t i = 0; i < ranked.size() && i < 30; ++i) {
        table += static_cast<char>(ranked[i].second);
    }
    return table;
}

namespace {

bool isComment(const std::string& line) {
    std::string head = line.substr(0, 5);
    for (char& c : head) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    return line.empty() || head.rfind("::", 0) == 0 ||
           (head.rfind("REM ", 0) == 0 && head != "REM >");
}

} // namespace

std::string keptText(const std::string& input, bool removeComments) {
    std::string kept;
    bool continues = false, dropping = false;
    for (std::size_t position = 0;;) {
        std::string read = input.substr(position, 1024);
        std::size_t end = std::min(read.find_first_of("\n\x1a"), read.size());
        std::size_t used = end;
        if (end < read.size() && read[end] == '\n') {
            used += (end + 1 < read.size() && read[end + 1] == '\n') ? 2 : 1;
        }
        if (used == 0) {
            return kept;
        }
        bool bareLineFeed = end < read.size() && read[end] == '\n' &&
                            (position + end == 0 || input[position + end - 1] != '\r');
        position += used;
        std::string line = read.substr(0, end) + (bareLineFeed ? "\r" : "");
        line.erase(std::min(line.find('\0'), line.size()));
        bool cut = end == 1024, first = !continues;
        continues = cut;
        if (!cut) {
            line.erase(line.find_last_not_of(" \t") + 1);
        }
        if (first) {
            dropping = removeComments && isComment(line);
        }
        if (!dropping) {
            kept += line;
        }
    }
}

} // namespace testing_support
