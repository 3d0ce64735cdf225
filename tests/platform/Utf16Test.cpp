// The one conversion between the program's UTF-8 and Windows' UTF-16: whatever
// Windows hands over comes back unchanged, and bytes that are no UTF-8 have a
// defined outcome.

#include <gtest/gtest.h>

#include "platform/win32/Utf16.h"

namespace kardello {
namespace {

using utf16::FromUtf8;
using utf16::ToUtf8;

TEST(Utf16, TextOfEveryPlaneGoesBothWays) {
    const std::pair<std::string, std::u16string> texts[] = {
        {"", u""},
        {"VARNO Kardello", u"VARNO Kardello"},
        {"Abrir una aplicación diferente", u"Abrir una aplicación diferente"},
        {"C:\\Users\\Łukasz\\Σοφία\\写真.exe", u"C:\\Users\\Łukasz\\Σοφία\\写真.exe"},
        {"🎞 \xF4\x8F\xBF\xBF", u"🎞 \U0010FFFF"},  // outside the first plane: pairs
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // a NUL is a character
    };
    for (const auto& [utf8, units] : texts) {
        EXPECT_EQ(FromUtf8(utf8), units) << utf8;
        EXPECT_EQ(ToUtf8(units), utf8) << utf8;
    }
    EXPECT_EQ(FromUtf8("🎞").size(), 2u);
}

TEST(Utf16, LoneSurrogatesFromWindowsSurviveTheRoundTrip) {
    // A file name or a registry value may hold half a pair: read and written back,
    // it must be the same units.
    const std::u16string halves[] = {{0xD83C}, {u'x', 0xDF9E, u'y'}, {0xDF9E, 0xD83C}, {0xDBFF}};
    for (const std::u16string& units : halves) {
        const std::string utf8 = ToUtf8(units);
        EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << "replaced, so lost";
        EXPECT_EQ(FromUtf8(utf8), units);
    }
}

TEST(Utf16, BytesThatAreNoUtf8BecomeReplacementCharacters) {
    const std::pair<std::string, std::u16string> broken[] = {
        {"\x80", u"\uFFFD"},                         // a continuation without a lead
        {"Ma\xF1" "ana", u"Ma\uFFFDana"},            // Windows-1252, not UTF-8
        {"\xC0\xAF", u"\uFFFD\uFFFD"},               // overlong
        {"\xE2\x82", u"\uFFFD"},                     // cut short at the end
        {"\xE2\x82x", u"\uFFFDx"},                   // cut short before a character
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xFF\xFEok", u"\uFFFD\uFFFDok"},
    };
    for (const auto& [utf8, units] : broken) EXPECT_EQ(FromUtf8(utf8), units);
}

}  // namespace
}  // namespace kardello
