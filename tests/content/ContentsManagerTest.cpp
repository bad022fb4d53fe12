// Tests of the content cache: identity, scaling arithmetic, null caching, releasing, framed
// boxes, text conversion and rendering, sounds and unnamed surfaces.
#include "content/ContentsManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ContentFixture.h"

using contenttest::ContentTest;
using contenttest::PixelAt;
using contenttest::StrongestPixel;
using contenttest::WritePng;
using contenttest::WriteWav;

namespace {

class ContentsManagerTest : public ContentTest
{
};

// SDL's alpha blitter blends even opaque pixels over the key colour with an error of one
// step per channel, so colours are compared with that tolerance.
bool Near(Uint32 actual, Uint32 expected)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int a = (actual >> shift) & 0xFF;
        int e = (expected >> shift) & 0xFF;
        if (a - e > 1 || e - a > 1) {
            return false;
        }
    }
    return true;
}
#define EXPECT_COLOUR(actual, expected)                                                            \
    EXPECT_TRUE(Near((actual), (expected))) << std::hex << (actual) << " vs " << (expected)

TEST(ContentKeyTest, ImageKeysOrderByNameBytesThenSignedSizes)
{
    // A prefix sorts first, bytes compare unsigned, sizes compare signed.
    std::vector<ImageNameContainer> keys{{"b", 100, 100}, {"\xE3", 1, 1}, {"a", 100, 100},
                                         {"ab", -5, 0},   {"a", -1, 7},   {"a", 100, 50}};
    std::sort(keys.begin(), keys.end());
    std::vector<std::string> names;
    for (const auto &key : keys) {
        names.push_back(key.name + ":" + std::to_string(key.width) + "," +
                        std::to_string(key.height));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a:-1,7", "a:100,50", "a:100,100", "ab:-5,0",
                                               "b:100,100", "\xE3:1,1"}));
    EXPECT_TRUE(ImageNameContainer("a", 1, 2) == ImageNameContainer("a", 1, 2));
    EXPECT_TRUE(ImageNameContainer("b", 1, 2) > ImageNameContainer("a", 9, 9));
}

TEST(ContentKeyTest, StringKeysOrderBySizeThenUnsignedColourThenText)
{
    StringNameContainer small("zzz", 0xFFFFFFFF, 10);
    StringNameContainer bigBlack("aaa", 0x00000000, 24);
    StringNameContainer bigWhite("aaa", 0xFFFFFFFF, 24);
    StringNameContainer bigWhiteLater("aab", 0xFFFFFFFF, 24);
    EXPECT_TRUE(small < bigBlack);
    EXPECT_TRUE(bigBlack < bigWhite); // 0xFFFFFFFF is the largest colour, not -1
    EXPECT_TRUE(bigWhite < bigWhiteLater);
    EXPECT_TRUE(bigWhiteLater > bigWhite);
    EXPECT_FALSE(bigWhite < bigWhite);
    EXPECT_TRUE(bigWhite == StringNameContainer("aaa", 0xFFFFFFFF, 24));
}

TEST_F(ContentsManagerTest, ImagesAreCachedPerScaleAndScaledByWholePercent)
{
    ASSERT_TRUE(WritePng(ImagePath("logo"), 300, 90, 0xFF336699));
    SDL_Surface *natural = contents->GetImage("logo");
    ASSERT_NE(natural, nullptr);
    EXPECT_EQ(natural->w, 300);
    EXPECT_EQ(natural->h, 90);
    EXPECT_EQ(contents->GetImage("logo"), natural);
    EXPECT_EQ(contents->GetImage("logo", 100, 100), natural);

    SDL_Surface *half = contents->GetImage("logo", 50, 50);
    ASSERT_NE(half, nullptr);
    EXPECT_NE(half, natural);
    EXPECT_EQ(half->w, 150);
    EXPECT_EQ(half->h, 45);

    // 200 x 30 of 300 x 90 truncates to 66 % x 33 %; 199 x 30 truncates the same way.
    SDL_Surface *sized = contents->GetImageWH("logo", 200, 30);
    ASSERT_NE(sized, nullptr);
    EXPECT_EQ(sized, contents->GetImage("logo", 66, 33));
    EXPECT_EQ(sized->w, 198);
    EXPECT_EQ(sized->h, 30);
    EXPECT_EQ(contents->GetImageWH("logo", 199, 30), sized);
    EXPECT_NE(contents->GetImageWH("logo", 201, 30), sized); // 67 %
}

TEST_F(ContentsManagerTest, MissingImagesStayNullWithoutReadingTheDiskAgain)
{
    EXPECT_EQ(contents->GetImage("late"), nullptr);
    EXPECT_EQ(contents->GetImageWH("late", 10, 10), nullptr);
    EXPECT_EQ(contents->GetFrame("late", 40, 40), nullptr);
    // The file appears afterwards: the cached null answer stands until pictures are released.
    ASSERT_TRUE(WritePng(ImagePath("late"), 12, 12, 0xFF00FF00));
    EXPECT_EQ(contents->GetImage("late"), nullptr);
    EXPECT_EQ(contents->GetImage("late", 100, 100), nullptr);
    contents->ReleaseImages();
    SDL_Surface *loaded = contents->GetImage("late");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->w, 12);
}

TEST_F(ContentsManagerTest, ReleaseImagesDropsPicturesButKeepsSoundsAndFonts)
{
    ASSERT_TRUE(WritePng(ImagePath("logo"), 40, 20, 0xFF123456));
    ASSERT_TRUE(WriteWav("wav/select.wav", 100));
    SDL_Surface *before = contents->GetImage("logo");
    ASSERT_NE(before, nullptr);
    Mix_Chunk *sound = contents->GetAudio("select");
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(contents->GetAudio("select"), sound);
    EXPECT_EQ(contents->GetAudio("missing"), nullptr);
    ASSERT_NE(contents->GetString(30, "text"), nullptr);

    // A new picture under the same name is only seen after the release.
    ASSERT_TRUE(WritePng(ImagePath("logo"), 10, 16, 0xFF123456));
    EXPECT_EQ(contents->GetImage("logo")->w, 40);
    contents->ReleaseImages();
    SDL_Surface *after = contents->GetImage("logo");
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->w, 10);
    EXPECT_EQ(after->h, 16);

    EXPECT_EQ(contents->GetAudio("select"), sound);
    EXPECT_EQ(Mix_PlayChannelTimed(-1, sound, 0, -1) >= 0, true);
    // Texts render again with the fonts that were kept (default size and size 30).
    EXPECT_NE(contents->GetString("text"), nullptr);
    EXPECT_NE(contents->GetString(30, "text"), nullptr);
}

// A 30 x 30 frame picture: nine 10 x 10 cells of distinct colours. The top edge cell has a
// darker first column so that tile positions can be seen.
Uint32 FrameCell(int x, int y)
{
    static const Uint32 cells[3][3] = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF},
                                       {0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF},
                                       {0xFF800000, 0xFF000080, 0xFF404040}};
    if (y < 10 && x == 10) {
        return 0xFF008000;
    }
    return cells[y / 10][x / 10];
}

TEST_F(ContentsManagerTest, FramesTileWholeCellsAndLeaveTheInsideTransparent)
{
    ASSERT_TRUE(WritePng(ImagePath("frame"), 30, 30, FrameCell));
    SDL_Surface *box = contents->GetFrame("frame", 100, 40);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->w, 100);
    EXPECT_EQ(box->h, 40);
    EXPECT_NE(box->format->Amask, 0u);
    EXPECT_EQ(contents->GetFrame("frame", 100, 40), box);

    int wrong = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            // Which source cell should show here: corners win over edges.
            const int col = x < 10 ? 0 : (x >= 90 ? 2 : 1);
            const int row = y < 10 ? 0 : (y >= 30 ? 2 : 1);
            Uint32 expected;
            if (col == 1 && row == 1) {
                expected = 0; // fully transparent inside
            } else if (col == 1 && row == 0) {
                expected = (x % 10 == 0) ? 0xFF008000 : 0xFF00FF00;
            } else {
                expected = FrameCell(col * 10 + x % 10, row * 10 + y % 10);
            }
            Uint32 actual = PixelAt(box, x, y);
            if (expected == 0 ? (actual >> 24) != 0 : !Near(actual, expected)) {
                if (++wrong < 5) {
                    ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << std::hex << actual
                                  << " instead of " << expected;
                }
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ContentsManagerTest, NarrowFramesLetTheRightCornersCoverTheLeftOnes)
{
    ASSERT_TRUE(WritePng(ImagePath("frame"), 30, 30, FrameCell));
    SDL_Surface *box = contents->GetFrame("frame", 15, 30);
    ASSERT_NE(box, nullptr);
    // No top edge tiles; the top-right corner starts at x 5 and covers the top-left one.
    EXPECT_COLOUR(PixelAt(box, 4, 0), 0xFFFF0000u);
    EXPECT_COLOUR(PixelAt(box, 5, 0), 0xFF0000FFu);
    EXPECT_COLOUR(PixelAt(box, 14, 9), 0xFF0000FFu);
    // Middle row: left edge, then the right edge drawn over it from x 5.
    EXPECT_COLOUR(PixelAt(box, 4, 15), 0xFFFFFF00u);
    EXPECT_COLOUR(PixelAt(box, 5, 15), 0xFF00FFFFu);
    EXPECT_COLOUR(PixelAt(box, 5, 25), 0xFF404040u);
}

TEST_F(ContentsManagerTest, FramesKeepSeeThroughPartsAndBlendHalfTransparentOnesOverWhite)
{
    ASSERT_TRUE(WritePng(ImagePath("frame"), 30, 30, [](int x, int y) -> Uint32 {
        if (x == 1 && y == 1) {
            return 0x00000000;
        }
        if (x == 2 && y == 2) {
            return 0x80000000;
        }
        return FrameCell(x, y);
    }));
    SDL_Surface *box = contents->GetFrame("frame", 60, 60);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(PixelAt(box, 1, 1) >> 24, 0u);
    Uint32 blended = PixelAt(box, 2, 2);
    EXPECT_EQ(blended >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>((blended >> 16) & 0xFF), 127, 3);
    EXPECT_COLOUR(PixelAt(box, 3, 3), 0xFFFF0000u);
}

TEST_F(ContentsManagerTest, FramesNeedAPictureOfAtLeastThreeByThree)
{
    ASSERT_TRUE(WritePng(ImagePath("tiny"), 2, 30, 0xFF00FF00));
    ASSERT_TRUE(WritePng(ImagePath("flat"), 30, 2, 0xFF00FF00));
    ASSERT_TRUE(WritePng(ImagePath("frame"), 3, 3, 0xFF00FF00));
    EXPECT_EQ(contents->GetFrame("tiny", 50, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("flat", 50, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("missing", 50, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("frame", 0, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("frame", 50, -1), nullptr);
    SDL_Surface *smallest = contents->GetFrame("frame", 5, 5);
    ASSERT_NE(smallest, nullptr);
    EXPECT_COLOUR(PixelAt(smallest, 0, 0), 0xFF00FF00u);
    EXPECT_EQ(PixelAt(smallest, 2, 2) >> 24, 0u);
}

bool SamePixels(SDL_Surface *a, SDL_Surface *b)
{
    if (a->w != b->w || a->h != b->h) {
        return false;
    }
    for (int y = 0; y < a->h; ++y) {
        for (int x = 0; x < a->w; ++x) {
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) {
                return false;
            }
        }
    }
    return true;
}

TEST_F(ContentsManagerTest, StringsAreCachedBySizeColourAndText)
{
    SDL_Surface *text = contents->GetString(24, "Game", 0xFFFFFFFF);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(contents->GetString(0, "Game", 0xFFFFFFFF), text);
    EXPECT_EQ(contents->GetString(-3, "Game", 0xFFFFFFFF), text);
    EXPECT_EQ(contents->GetString("Game"), text);
    EXPECT_EQ(contents->GetString("Game", 0xFFFFFFFF), text);
    EXPECT_EQ(contents->GetString(24, "Game"), text);

    // The top byte only tells cache entries apart; the pixels are the same.
    SDL_Surface *noAlphaByte = contents->GetString(24, "Game", 0x00FFFFFF);
    ASSERT_NE(noAlphaByte, nullptr);
    EXPECT_NE(noAlphaByte, text);
    EXPECT_TRUE(SamePixels(noAlphaByte, text));

    SDL_Surface *large = contents->GetString(48, "Game");
    ASSERT_NE(large, nullptr);
    EXPECT_GT(large->h, text->h);

    EXPECT_EQ(contents->GetString(""), nullptr);
}

TEST_F(ContentsManagerTest, TextsRenderInTheirColour)
{
    SDL_Surface *red = contents->GetString(40, "M", 0xFFFF0000);
    SDL_Surface *blue = contents->GetString(40, "M", 0xFF0000FF);
    ASSERT_NE(red, nullptr);
    ASSERT_NE(blue, nullptr);
    EXPECT_NE(red, blue);
    // The most opaque pixel of each shows the colour itself.
    EXPECT_EQ(StrongestPixel(red), 0xFFFF0000u);
    EXPECT_EQ(StrongestPixel(blue), 0xFF0000FFu);
}

TEST_F(ContentsManagerTest, ShiftJisAndUtf8TextsRenderAsTheSameCharacters)
{
    // "ゲーム" (game) and "左" (left) in Shift-JIS and in UTF-8.
    const std::string gameSjis = "\x83\x51\x81\x5B\x83\x80";
    const std::string gameUtf8 = "\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0";
    const std::string leftSjis = "\x8D\xB6";
    const std::string leftUtf8 = "\xE5\xB7\xA6";
    SDL_Surface *fromSjis = contents->GetString(gameSjis, 0xFFFFFFFF);
    SDL_Surface *fromUtf8 = contents->GetString(gameUtf8, 0xFFFFFFFF);
    ASSERT_NE(fromSjis, nullptr);
    ASSERT_NE(fromUtf8, nullptr);
    EXPECT_NE(fromSjis, fromUtf8); // keyed by the bytes as passed
    EXPECT_TRUE(SamePixels(fromSjis, fromUtf8));

    SDL_Surface *leftFromSjis = contents->GetString(leftSjis);
    SDL_Surface *leftFromUtf8 = contents->GetString(leftUtf8);
    ASSERT_NE(leftFromSjis, nullptr);
    ASSERT_NE(leftFromUtf8, nullptr);
    EXPECT_TRUE(SamePixels(leftFromSjis, leftFromUtf8));

    // A song file name with plain UTF-8 comes through unchanged.
    SDL_Surface *name = contents->GetString("caf\xC3\xA9.mid");
    ASSERT_NE(name, nullptr);
    EXPECT_GT(name->w, contents->GetString("caf.mid")->w);
}

TEST_F(ContentsManagerTest, AMissingFontRendersNothingAndIsReportedOnce)
{
    ContentsManager broken;
    broken.SetImageFolderPath("image", "png");
    testing::internal::CaptureStderr();
    broken.SetDefaultFont("image/no-such-font.ttf", 24);
    EXPECT_EQ(broken.GetDefaultFontSize(), 24);
    EXPECT_EQ(broken.GetString("a"), nullptr);
    EXPECT_EQ(broken.GetString(30, "b"), nullptr);
    EXPECT_EQ(broken.GetString(30, "b"), nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("image/no-such-font.ttf"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

TEST_F(ContentsManagerTest, UnnamedSurfacesAreOwnedUntilReleased)
{
    SDL_Surface *blank = contents->CreateUnNamedSurface(16, 8);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->w, 16);
    EXPECT_EQ(blank->format->BitsPerPixel, screen->format->BitsPerPixel);
    EXPECT_EQ(PixelAt(blank, 3, 3) & 0xFFFFFF, 0xFFFFFFu);

    // The accelerated copy replaces the original (which is freed); the key colour turns
    // transparent.
    SDL_Surface *fast = contents->AccelUnNamedSurface(blank);
    ASSERT_NE(fast, nullptr);
    EXPECT_NE(fast->format->Amask, 0u);
    EXPECT_EQ(PixelAt(fast, 3, 3) >> 24, 0u);

    // A surface the cache does not own is left alone.
    SDL_Surface *mine = SDL_CreateRGBSurface(0, 4, 4, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    contents->ReleaseUnNamedSurface(mine);
    EXPECT_EQ(SDL_FillRect(mine, nullptr, 0), 0);
    SDL_FreeSurface(mine);

    contents->ReleaseUnNamedSurface(fast);
    // The next one is released with the pictures; the sanitizers check there is no double
    // free in either path.
    ASSERT_NE(contents->CreateUnNamedSurface(4, 4), nullptr);
    contents->ReleaseImages();
}

} // namespace
