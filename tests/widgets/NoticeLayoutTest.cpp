// Tests of setting notices in lines: each notice whole, within the width, never in letters
// below the smallest readable size.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/NoticeLayout.h"

namespace {

// Every character (UTF-8) is half the font size wide.
int HalfSize(int size, const std::string &text)
{
    int characters = 0;
    for (unsigned char c : text)
        characters += (c & 0xC0) != 0x80;
    return characters * size / 2;
}

// The lines of notice 'n' joined again, with the spaces they were broken at.
std::string Joined(const std::vector<NoticeLine> &lines, size_t n, const char *gap)
{
    std::string text;
    for (const NoticeLine &line : lines)
        if (line.notice == n)
            text += (text.empty() ? "" : gap) + line.text;
    return text;
}

TEST(NoticeLayoutTest, EachNoticeGetsItsOwnLinesWithinTheWidthAndNoSmallerThanTheMinimum)
{
    const std::string short1 = "disk full";           // 9 characters: 90 px at 20
    const std::string exact = std::string(20, 'x');   // 200 px at 20: exactly the width
    const std::string shrinks = std::string(25, 'y'); // 250 px at 20, 200 at 16
    const std::string breaks = "history /home/p/songs/a.mid.history: No space left on device";
    const std::vector<NoticeLine> lines =
        NoticeLayout::Lay({short1, "", exact, shrinks, breaks}, 200, 20, 14, HalfSize);

    // In order, the empty one left out, one line each until the last.
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0].text, short1);
    EXPECT_EQ(lines[0].size, 20);
    EXPECT_EQ(lines[1].text, exact) << "a notice exactly as wide as the room stays whole";
    EXPECT_EQ(lines[1].size, 20);
    EXPECT_EQ(lines[2].text, shrinks);
    EXPECT_EQ(lines[2].size, 16) << "the largest size it fits at";
    for (const NoticeLine &line : lines) {
        EXPECT_LE(HalfSize(line.size, line.text), 200) << line.text;
        EXPECT_GE(line.size, 14) << line.text;
    }
    // Too long even at the minimum: broken between words, every word kept.
    for (size_t i = 3; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].notice, 4u);
        EXPECT_EQ(lines[i].size, 14);
    }
    EXPECT_EQ(Joined(lines, 4, " "), breaks);
    EXPECT_EQ(lines[3].text, "history") << "broken at the last space that fits";
}

TEST(NoticeLayoutTest, TextWithoutSpacesBreaksBetweenWholeCharacters)
{
    // Japanese: three bytes a character, no spaces.
    std::string japanese;
    for (int i = 0; i < 30; ++i)
        japanese += "\xe6\x9b\xb2"; // 曲
    const std::vector<NoticeLine> lines = NoticeLayout::Lay({japanese}, 100, 20, 20, HalfSize);
    ASSERT_EQ(lines.size(), 3u); // 10 characters a line
    for (const NoticeLine &line : lines) {
        EXPECT_EQ(line.text.size(), 30u);
        EXPECT_NE(static_cast<unsigned char>(line.text[0]) & 0xC0, 0x80u)
            << "a line starts inside a character";
    }
    EXPECT_EQ(Joined(lines, 0, ""), japanese);

    // A room narrower than one character still ends, one character a line.
    const std::vector<NoticeLine> narrow = NoticeLayout::Lay({"abc"}, 1, 20, 20, HalfSize);
    ASSERT_EQ(narrow.size(), 3u);
    EXPECT_EQ(Joined(narrow, 0, ""), "abc");
}

} // namespace
