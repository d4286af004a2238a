// Which folder names the module takes for UTF-8 (and passes on unchanged)
// rather than converting them from the ANSI code page.
#include <gtest/gtest.h>

#include "utf8.h"

TEST(FolderNameUtf8, WellFormedOnly)
{
    const struct {
        const char *bytes;
        bool utf8;
        const char *what;
    } cases[] = {
        {"", true, "empty"},
        {"C:/Program Files/AC3D/plugins", true, "ASCII"},
        {"prix \xE2\x82\xAC" "5", true, "euro sign in UTF-8"},
        {"\xD0\xBF\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0", true, "Cyrillic in UTF-8"},
        {"\xF0\x9F\x8E\xA8 \xF4\x8F\xBF\xBF", true, "four-byte forms up to U+10FFFF"},
        {"\xEF\xBF\xBD\xC2\x80\xDF\xBF", true, "the ends of the two- and three-byte ranges"},
        {"prix \x80" "5", false, "euro sign in code page 1252"},
        {"\xEF\xF0\xE8\xF1", false, "Cyrillic in code page 1251"},
        {"caf\xE9", false, "a Latin-1 letter at the end"},
        {"\xC3\xA9\xE9", false, "a good sequence, then a lone lead byte"},
        {"\xC0\xAF", false, "overlong slash"},
        {"\xE0\x80\xAF", false, "overlong in three bytes"},
        {"\xF0\x80\x80\xAF", false, "overlong in four bytes"},
        {"\xED\xA0\x80", false, "surrogate"},
        {"\xF4\x90\x80\x80", false, "past U+10FFFF"},
        {"\xF8\x88\x80\x80\x80", false, "five-byte lead"},
        {"\xFF", false, "FF"},
        {"\xBF", false, "stray continuation byte"},
        {"\xE2\x82", false, "cut short by the end"},
        {"\xE2" "A\xAC", false, "cut short by ASCII"},
    };
    for (const auto &c : cases) EXPECT_EQ(is_utf8(c.bytes), c.utf8) << c.what;
}
