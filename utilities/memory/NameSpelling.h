// How the report spells a type name, so that no name can break a line or a column, or pass a control character on to
// a terminal, a spreadsheet, JSON or XML, while every name a C++ type really has is written as it is.
//
//   \\   a backslash (no C++ type name holds one)
//   \t \n \r   a tab, a line feed, a carriage return
//   \xHH   any other byte that is not part of printable UTF-8 text: the other control characters (U+0000 to U+001F,
//          U+007F, and U+0080 to U+009F byte by byte), the non-characters U+FFFE and U+FFFF, and every byte of
//          no well-formed UTF-8 sequence; two upper-case hexadecimal digits
//
// Everything else stands for itself. The spelling is one-to-one: SpellName and ReadName undo each other, and
// ReadName accepts only what SpellName writes, so a name reads back to the same bytes and prints again the same way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Utilities {

// Calls `out(const char* text, size_t length)` with the pieces of the spelling of `name`, in order. Without
// `backslashes`, a backslash stands for itself: what an error message shows of a text that is not a name.
template <class Out>
void SpellName(std::string_view name, Out&& out, bool backslashes = true) {
    static const char kHex[] = "0123456789ABCDEF";
    const auto* bytes = reinterpret_cast<const unsigned char*>(name.data());
    const size_t size = name.size();
    size_t plain = 0;  // where the run of bytes that stand for themselves began
    for (size_t i = 0; i < size;) {
        const unsigned char b = bytes[i];
        size_t length = 1;  // of the character at i
        bool printable = b >= 0x20 && b < 0x7F && (b != '\\' || !backslashes);
        if (b >= 0x80) {
            // A well-formed sequence: no overlong form, no surrogate, nothing above U+10FFFF.
            const size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
            const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
            const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
            bool wellFormed = n && i + n <= size && bytes[i + 1] >= low && bytes[i + 1] <= high;
            for (size_t k = 2; wellFormed && k < n; ++k) wellFormed = bytes[i + k] >= 0x80 && bytes[i + k] <= 0xBF;
            if (wellFormed) {
                length = n;
                const bool c1 = b == 0xC2 && bytes[i + 1] <= 0x9F;                                 // U+0080-U+009F
                const bool nonCharacter = b == 0xEF && bytes[i + 1] == 0xBF && bytes[i + 2] >= 0xBE;  // U+FFFE, U+FFFF
                printable = !c1 && !nonCharacter;
            }
        }
        if (printable) {
            i += length;
            continue;
        }
        if (plain < i) out(name.data() + plain, i - plain);
        for (const size_t end = i + length; i < end; ++i) {
            const unsigned char c = bytes[i];
            const char named = c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\\' ? '\\' : 0;
            const char escaped[4] = {'\\', named ? named : 'x', kHex[c >> 4], kHex[c & 15]};
            out(escaped, named ? size_t(2) : size_t(4));
        }
        plain = i;
    }
    if (plain < size) out(name.data() + plain, size - plain);
}

inline std::string SpelledName(std::string_view name) {
    std::string text;
    SpellName(name, [&](const char* piece, size_t length) { text.append(piece, length); });
    return text;
}

// The name that `spelled` spells; nothing when it is not exactly how SpellName writes a name.
inline std::optional<std::string> ReadName(std::string_view spelled) {
    std::string name;
    name.reserve(spelled.size());
    const auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
    for (size_t i = 0; i < spelled.size(); ++i) {
        if (spelled[i] != '\\') {
            name += spelled[i];
            continue;
        }
        const char kind = i + 1 < spelled.size() ? spelled[++i] : 0;
        if (kind == '\\' || kind == 't' || kind == 'n' || kind == 'r') {
            name += kind == 't' ? '\t' : kind == 'n' ? '\n' : kind == 'r' ? '\r' : '\\';
        } else if (kind == 'x' && i + 2 < spelled.size() && hex(spelled[i + 1]) >= 0 && hex(spelled[i + 2]) >= 0) {
            name += char(hex(spelled[i + 1]) * 16 + hex(spelled[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    if (SpelledName(name) != spelled) return std::nullopt;  // another spelling of a name, or raw bytes to escape
    return name;
}

} // namespace Tarn::Utilities
