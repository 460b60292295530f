#include <gtest/gtest.h>

#include <QWidget>

#include "toolkit/CodePage.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/Controls_p.h"
#include "toolkit/Forms.h"

TEST(CodePage, EveryByteSurvivesTheWayThroughUnicode)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string utf8 = Cp1251ToUtf8(all);
    EXPECT_GT(utf8.size(), all.size());
    EXPECT_EQ(Utf8ToCp1251(utf8), all);
}

TEST(CodePage, KnownCharacters)
{
    const struct
    {
        std::string cp1251, utf8;
    } rows[] = {
        {"abc 09", "abc 09"},
        {"\xC0\xDF\xE0\xFF", "\xD0\x90\xD0\xAF\xD0\xB0\xD1\x8F"}, // А Я а я
        {"\xA8\xB8", "\xD0\x81\xD1\x91"},                         // Ё ё
        {"\xB9", "\xE2\x84\x96"},                                 // numero sign
        {"\x88", "\xE2\x82\xAC"},                                 // euro sign
        {"\xA0", "\xC2\xA0"},                                     // no-break space
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Cp1251ToUtf8(row.cp1251), row.utf8);
        EXPECT_EQ(Utf8ToCp1251(row.utf8), row.cp1251);
    }
}

TEST(CodePage, CharactersWithoutAByteBecomeQuestionMarks)
{
    const struct
    {
        const char* name;
        std::string utf8, cp1251;
    } rows[] = {
        {"e acute", "caf\xC3\xA9", "caf?"},
        {"CJK", "\xE4\xB8\xAD\xE6\x96\x87", "??"},
        {"emoji is one character", "a\xF0\x9F\x98\x80z", "a?z"},
        {"malformed UTF-8",
         "a\xFF"
         "b",
         "a?b"},
        {"mixed", "\xD0\x96\xC3\xA9\xD0\x96", "\xC6?\xC6"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Utf8ToCp1251(row.utf8), row.cp1251) << row.name;
}

TEST(FileNames, AreShownAsTheFileSystemNamesThemAndTextAroundAsCp1251)
{
    const std::string name = "/tmp/日本語 данные.log";
    struct Row
    {
        std::string text, fileName;
        QString shown;
    } rows[] = {
        {"Cannot open file " + name + ".", name,
         QString::fromUtf8("Cannot open file /tmp/日本語 данные.log.")},
        {"\xCF\xF3\xF2\xFC " + name, name, QString::fromUtf8("Путь /tmp/日本語 данные.log")},
        // No name marked: all of it is cp1251 text.
        {"\xCF\xF3\xF2\xFC", "", QString::fromUtf8("Путь")},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TextWithFileName(row.text, row.fileName), row.shown);
    EXPECT_TRUE(FileNameSurvivesQt(name));
    // Bytes that are no UTF-8 cannot pass through a Qt name unchanged.
    EXPECT_FALSE(FileNameSurvivesQt("/tmp/\xFF\xFE.log"));

    TForm form;
    form.SetFileNameCaption(name);
    EXPECT_EQ(form.Caption(), name);
    EXPECT_EQ(ControlWidget(&form)->windowTitle(), QString::fromUtf8(name.c_str()));
}
