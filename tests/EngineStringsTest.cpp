// The engine model's strings, interning, the narrow builder and formatting.
#include "engine/objects/Strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

using namespace Tarn::Objects;

bool Inside(const void* object, size_t size, const void* chars) {
    const auto* begin = static_cast<const char*>(object);
    return begin <= static_cast<const char*>(chars) && static_cast<const char*>(chars) < begin + size;
}

TEST(KString, ShortTextLivesInsideTheObject) {
    KString text(L"short");
    EXPECT_TRUE(Inside(&text, sizeof text, text.ToChars()));
    EXPECT_EQ(text.GetLen(), 5);
    EXPECT_STREQ(text.ToChars(), L"short");
}

TEST(KString, LongTextLivesInAHeapBlockAndCopiesDeeply) {
    KString text(L"a text far too long for the string object");
    EXPECT_FALSE(Inside(&text, sizeof text, text.ToChars()));
    KString copy = text;
    EXPECT_NE(copy.ToChars(), text.ToChars());
    EXPECT_STREQ(copy.ToChars(), text.ToChars());
    copy = KString(L"tiny");
    EXPECT_TRUE(Inside(&copy, sizeof copy, copy.ToChars()));
}

TEST(KStringA, ShortAndLongText) {
    KStringA shortText("abc");
    KStringA longText("a narrow text that needs a block");
    EXPECT_TRUE(Inside(&shortText, sizeof shortText, shortText.GetBuffer()));
    EXPECT_FALSE(Inside(&longText, sizeof longText, longText.GetBuffer()));
    EXPECT_EQ(longText.GetLen(), 32);
    EXPECT_EQ(KStringA(nullptr).GetLen(), 0);
}

TEST(Intern, SameTextSamePointer) {
    std::wstring built = L"intern";
    built += L"ed";
    UString* first = Intern(L"interned");
    EXPECT_EQ(Intern(built.c_str()), first);
    EXPECT_STREQ(first->Text(), L"interned");
    EXPECT_NE(Intern(L"other"), first);
    EXPECT_EQ(InternA("narrow"), InternA(std::string("narrow").c_str()));
    EXPECT_EQ(Intern(nullptr), nullptr);
}

TEST(StringBuilderA, GrowsPastItsHintAndAppendsWideTextAsUtf8) {
    StringBuilderA builder(4);
    builder.Add("Total");
    builder.Add("\t");
    builder.Add(L"caf\u00e9 \u20ac");
    EXPECT_STREQ(builder.Text(), "Total\tcaf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(builder.Length(), std::strlen(builder.Text()));
}

TEST(Sprintf, CutsShortAndTerminates) {
    char buffer[8];
    EXPECT_EQ(Tarn::OS::sprintf(buffer, sizeof buffer, "%s\t%lld", "Total", 12345LL), 7);
    EXPECT_STREQ(buffer, "Total\t1");
}

TEST(Swprintf, WideStringConversionsTakeWideText) {
    wchar_t buffer[64];
    Tarn::OS::swprintf(buffer, 64, L"<0x%08x>%s", 0x1234abcdu, L"Cell");
    EXPECT_STREQ(buffer, L"<0x1234abcd>Cell");
    Tarn::OS::swprintf(buffer, 64, L"%f, %d, 100%%", 1.5, 7);
    EXPECT_STREQ(buffer, L"1.500000, 7, 100%");
}

TEST(Swprintf, CutsShortAndTerminates) {
    wchar_t buffer[6];
    Tarn::OS::swprintf(buffer, 6, L"%s", L"overflowing");
    EXPECT_EQ(std::wcslen(buffer), 5u);
    EXPECT_EQ(std::wstring(buffer), L"overf");
}

} // namespace
