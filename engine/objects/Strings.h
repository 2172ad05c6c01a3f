// The engine's strings.
//
//   KString, KStringA     owned wide / narrow text: short text lives inside the object, longer text in one heap block
//   UString, UStringA     interned texts, owned by the string table for the life of the process (Intern, InternA)
//   StringBuilderA        a growing narrow text
//   Tarn::OS::sprintf / swprintf   formatting into a caller's buffer, always terminated
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cwchar>

#pragma GCC visibility push(default)

namespace Tarn::Objects {

namespace Detail {

// Text of characters C with room for Inline - 1 characters inside the object.
template <class C, int Inline>
class TextStorage {
public:
    TextStorage() { mInline[0] = 0; }
    explicit TextStorage(const C* text) { Assign(text); }
    TextStorage(const TextStorage& other) { Assign(other.mChars); }
    TextStorage& operator=(const TextStorage& other) {
        if (this != &other) {
            Release();
            Assign(other.mChars);
        }
        return *this;
    }
    ~TextStorage() { Release(); }

    // Characters without the terminator.
    int GetLen() const { return mLen; }

protected:
    C* mChars = mInline;
    int mLen = 0;
    C mInline[Inline] = {};  // zeros past the text: no stale bytes that a scan of the heap would take for pointers

private:
    void Assign(const C* text) {
        mLen = 0;
        while (text && text[mLen]) ++mLen;
        mChars = mLen < Inline ? mInline : new C[static_cast<size_t>(mLen) + 1];
        for (int i = 0; i < mLen; ++i) mChars[i] = text[i];
        mChars[mLen] = 0;
    }
    void Release() {
        if (mChars != mInline) delete[] mChars;
        mChars = mInline;
        mLen = 0;
    }
};

} // namespace Detail

class KString : public Detail::TextStorage<wchar_t, 12> {
public:
    using TextStorage::TextStorage;
    KString(const wchar_t* text) : TextStorage(text) {}
    const wchar_t* ToChars() const { return mChars; }
    operator const wchar_t*() const { return mChars; }
};

class KStringA : public Detail::TextStorage<char, 16> {
public:
    using TextStorage::TextStorage;
    KStringA(const char* text) : TextStorage(text) {}
    char* GetBuffer() const { return mChars; }
    operator const char*() const { return mChars; }
};

// Interned texts: one object per distinct text, never freed.
class UString {
public:
    explicit UString(const wchar_t* text) : mText(text) {}
    const wchar_t* Text() const { return mText.ToChars(); }

private:
    KString mText;
};

class UStringA {
public:
    explicit UStringA(const char* text) : mText(text) {}
    const char* Text() const { return mText.GetBuffer(); }

private:
    KStringA mText;
};

// The table's string for `text`, made on first use; the same pointer for the same text.
UString* Intern(const wchar_t* text);
UStringA* InternA(const char* text);

class StringBuilderA {
public:
    explicit StringBuilderA(size_t capacity = 256);
    StringBuilderA(const StringBuilderA&) = delete;
    StringBuilderA& operator=(const StringBuilderA&) = delete;
    ~StringBuilderA();

    void Add(const char* text);
    void Add(const wchar_t* text);  // appended as UTF-8
    const char* Text() const { return mText; }
    size_t Length() const { return mLength; }

private:
    void Append(const char* text, size_t length);

    char* mText;
    size_t mLength = 0;
    size_t mCapacity;
};

} // namespace Tarn::Objects

namespace Tarn::OS {

// snprintf into `buffer` of `size` characters. The text is always terminated, cut short if it does not fit;
// the result is the number of characters written.
int sprintf(char* buffer, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));

// The wide counterpart. As on the engine's home platform, %s and %c in a wide format take wide arguments.
int swprintf(wchar_t* buffer, size_t size, const wchar_t* format, ...);

} // namespace Tarn::OS

#pragma GCC visibility pop
