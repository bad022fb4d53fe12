// Tests of the notice texts for files that could not be read or written: what they name, which
// one the song selection's folder line shows, and that each fits a line whatever it names.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "menus/SaveNotice.h"

namespace {

TEST(SaveNoticeTest, AnEntryLeftOutIsNamedShortenedToALine)
{
    EXPECT_EQ(LeftOutNotice("config", {}), "");
    const std::string forty(40, 'k');
    EXPECT_EQ(LeftOutNotice("config", {forty}),
              "Saved config without an entry the game does not use (too large): " + forty);
    // One entry a megabyte long: named by its start, and the line stays a line.
    const std::string huge(1 << 20, 'z');
    const std::string one = LeftOutNotice("config", {huge});
    EXPECT_EQ(one, "Saved config without an entry the game does not use (too large): " +
                       std::string(40, 'z') + "...");
    EXPECT_EQ(LeftOutNotice("config", {huge, "b"}),
              "Saved config without 2 entries the game does not use (too large), such as " +
                  std::string(40, 'z') + "...");
    // Never cut inside a character.
    std::string japanese;
    for (int i = 0; i < 20; ++i)
        japanese += "\xe6\x9b\xb2"; // 曲, three bytes
    EXPECT_EQ(LeftOutNotice("config", {japanese}),
              "Saved config without an entry the game does not use (too large): " +
                  japanese.substr(0, 39) + "...");
}

TEST(SaveNoticeTest, AFolderThatListsNothingComesBeforeAnIndexNotSaved)
{
    using Problems = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(SongFolderNotice({}, ""), "");
    EXPECT_EQ(SongFolderNotice({}, "\"songindex\" links to something not a regular file"),
              "Song index not saved: \"songindex\" links to something not a regular file");
    EXPECT_EQ(SongFolderNotice(Problems{{"/m/songs", "not a folder"}}, "index problem"),
              "Songs not listed from /m/songs: not a folder");
    EXPECT_EQ(
        SongFolderNotice(
            Problems{{"/a", "no such folder"}, {"/b", "not a folder"}, {"/c", "not a folder"}}, ""),
        "Songs not listed from /a: no such folder (and 2 more folders)");
}

} // namespace
