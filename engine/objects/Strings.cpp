#include "engine/objects/Strings.h"

#include "engine/objects/Containers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace Tarn::Objects {

namespace {

// The tables hold their strings for the life of the process: interned pointers are handed out freely.
template <class S, class C>
S* InternIn(const C* text) {
    using Table = _HashMap<S*, const C*, _StringHasher<C>>;
    static Table* table = new Table(1021);
    if (!text) return nullptr;
    if (S** found = table->FindValue(text)) return *found;
    S* fresh = new S(text);
    if (!table->FindOrAdd(fresh->Text(), fresh)) {
        delete fresh;
        return nullptr;
    }
    return fresh;
}

} // namespace

UString* Intern(const wchar_t* text) { return InternIn<UString>(text); }
UStringA* InternA(const char* text) { return InternIn<UStringA>(text); }

StringBuilderA::StringBuilderA(size_t capacity)
    : mText(static_cast<char*>(std::malloc(capacity + 1))), mCapacity(capacity) {
    mText[0] = 0;
}

StringBuilderA::~StringBuilderA() { std::free(mText); }

void StringBuilderA::Add(const char* text) {
    if (text) Append(text, std::strlen(text));
}

void StringBuilderA::Add(const wchar_t* text) {
    if (!text) return;
    std::string utf8;
    for (; *text; ++text) {
        const auto c = static_cast<uint32_t>(*text);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    Append(utf8.data(), utf8.size());
}

void StringBuilderA::Append(const char* text, size_t length) {
    if (mLength + length > mCapacity) {
        size_t capacity = mCapacity * 2 + 2;
        if (capacity < mLength + length) capacity = mLength + length;
        mText = static_cast<char*>(std::realloc(mText, capacity + 1));
        mCapacity = capacity;
    }
    std::memcpy(mText + mLength, text, length);
    mLength += length;
    mText[mLength] = 0;
}

} // namespace Tarn::Objects

namespace Tarn::OS {

int sprintf(char* buffer, size_t size, const char* format, ...) {
    if (!buffer || size == 0) return 0;
    va_list args;
    va_start(args, format);
    const int wanted = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    if (wanted < 0) {
        buffer[0] = 0;
        return 0;
    }
    return wanted < static_cast<int>(size) ? wanted : static_cast<int>(size) - 1;
}

namespace {

// The C library reads %s and %c in a wide format as narrow; the engine's formats mean wide.
std::wstring WidenConversions(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p; ++p) {
        out += *p;
        if (*p != L'%') continue;
        if (p[1] == L'%') {
            out += *++p;
            continue;
        }
        while (p[1] && std::wcschr(L"-+ #0123456789.*", p[1])) out += *++p;
        if (p[1] == L's' || p[1] == L'c') out += L'l';
    }
    return out;
}

} // namespace

int swprintf(wchar_t* buffer, size_t size, const wchar_t* format, ...) {
    if (!buffer || size == 0) return 0;
    const std::wstring wide = WidenConversions(format);
    va_list args;
    va_start(args, format);
    const int written = std::vswprintf(buffer, size, wide.c_str(), args);
    va_end(args);
    if (written < 0) {  // did not fit: keep what was written, terminated
        buffer[size - 1] = 0;
        return static_cast<int>(std::wcslen(buffer));
    }
    return written;
}

} // namespace Tarn::OS
