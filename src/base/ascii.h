// Letter case as both programs understand it: only the ASCII letters A to Z
// fold. Every other byte, 0x80 to 0xFF included, must match exactly.
#pragma once

namespace base {

inline char toUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when `text` begins with `prefix`, ignoring ASCII letter case.
inline bool startsWithIgnoringCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (toUpperAscii(*text) != toUpperAscii(*prefix)) {
            return false;
        }
    }
    return true;
}

// True when both strings are equal, ignoring ASCII letter case.
inline bool equalIgnoringCase(const char* a, const char* b) {
    return startsWithIgnoringCase(a, b) && startsWithIgnoringCase(b, a);
}

} // namespace base
