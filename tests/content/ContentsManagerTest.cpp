// Tests of the content cache: identity and percent arithmetic, cached failures, releasing, framed
// boxes, text conversion and rendering, a missing font.
#include "content/ContentsManager.h"

#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "content/ContentFixture.h"

using contenttest::PixelAt;
using contenttest::StrongestPixel;

namespace {

using ContentsManagerTest = contenttest::WidgetTest;

TEST_F(ContentsManagerTest, AFittedTextIsNeverWiderThanAskedAndKeepsWholeCharacters)
{
    const std::string ellipsis = "\xE2\x80\xA6";
    const std::string english = "Greensleeves and other songs of the long winter evenings.mid";
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE"
                                 "\xE6\x9B\xB2\xE3\x81\xAE\xE5\x90\x8D\xE5\x89\x8D";
    EXPECT_EQ(contents->FitText(0, english, 100000), english) << "what fits stays as it is";
    for (const std::string &text : {english, japanese}) {
        const int full = contents->GetTextWidth(0, text);
        ASSERT_GT(full, 0);
        for (int width : {full - 1, full / 2, full / 5, 1}) {
            const std::string fitted = contents->FitText(0, text, width);
            ASSERT_GE(fitted.size(), ellipsis.size());
            EXPECT_EQ(fitted.substr(fitted.size() - ellipsis.size()), ellipsis);
            const std::string kept = fitted.substr(0, fitted.size() - ellipsis.size());
            EXPECT_EQ(text.compare(0, kept.size(), kept), 0) << "a beginning of the text";
            // Whole characters: the text goes on with a character's first byte.
            EXPECT_NE(static_cast<unsigned char>(text[kept.size()]) & 0xC0, 0x80);
            if (!kept.empty()) {
                EXPECT_LE(contents->GetTextWidth(0, fitted), width) << fitted;
            }
        }
    }
}

TEST_F(ContentsManagerTest, ImagesAreCachedPerScaleAndSizedInWholePercent)
{
    ASSERT_TRUE(MakeImage("wide", 300, 90, 0x336699));
    SDL_Surface *natural = contents->GetImage("wide");
    ASSERT_NE(natural, nullptr);
    EXPECT_EQ(contents->GetImage("wide", 100, 100), natural);
    SDL_Surface *half = contents->GetImage("wide", 50, 50);
    ASSERT_NE(half, nullptr);
    EXPECT_NE(half, natural);
    EXPECT_EQ(half->w, 150);
    EXPECT_EQ(half->h, 45);
    // The last row is the picture's (the scaler's spare rows below it are not part of it).
    EXPECT_EQ(PixelAt(half, 149, 44) & 0xFFFFFF, 0x336699u);

    // 200 x 30 of 300 x 90 truncates to 66 % x 33 %, and so does 199 x 30.
    SDL_Surface *sized = contents->GetImageWH("wide", 200, 30);
    ASSERT_NE(sized, nullptr);
    EXPECT_EQ(sized, contents->GetImage("wide", 66, 33));
    EXPECT_EQ(sized->w, 198);
    EXPECT_EQ(contents->GetImageWH("wide", 199, 30), sized);
    EXPECT_NE(contents->GetImageWH("wide", 201, 30), sized);
}

// Whether two surfaces have the same size and the same colour at every pixel.
bool SamePixels(SDL_Surface *a, SDL_Surface *b)
{
    if (a == nullptr || b == nullptr || a->w != b->w || a->h != b->h) {
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

// Pictures are converted once to the screen's format: their pixels and alpha stay, opaque ones
// lose the alpha channel they do not need. (See-through ones ask for run-length encoding too,
// which only some SDL builds do: SDL 1.2 on SDL 2 does not, so it is not checked.)
TEST_F(ContentsManagerTest, PicturesTakeTheScreensFormatAgainAfterAModeChange)
{
    ASSERT_TRUE(MakeImage("opaque", 8, 8, 0x336699));
    auto inScreenFormat = [&](SDL_Surface *picture, bool alpha) {
        const SDL_PixelFormat *want = manager->GetScreen()->format;
        return picture != nullptr && picture->format->BitsPerPixel == want->BitsPerPixel &&
               picture->format->Rmask == want->Rmask && picture->format->Bmask == want->Bmask &&
               (picture->format->Amask != 0) == alpha &&
               ((picture->flags & SDL_SRCALPHA) != 0) == alpha;
    };
    SDL_Surface *loaded = IMG_Load("image/ball.png");
    ASSERT_NE(loaded, nullptr);
    SDL_Surface *ball = contents->GetImage("ball");
    EXPECT_TRUE(inScreenFormat(ball, true));
    EXPECT_TRUE(SamePixels(ball, loaded));
    SDL_FreeSurface(loaded);
    EXPECT_TRUE(inScreenFormat(contents->GetImage("ball", 50, 50), true));
    EXPECT_TRUE(inScreenFormat(contents->GetImage("opaque"), false));
    EXPECT_EQ(PixelAt(contents->GetImage("opaque"), 7, 7), 0xFF336699u);
    EXPECT_TRUE(inScreenFormat(contents->GetString("text"), true));
    EXPECT_TRUE(inScreenFormat(contents->GetFrame("frame", 100, 40), true));

    ASSERT_NE(manager->CreateWindow(320, 240, 16, 0), nullptr);
    ASSERT_EQ(manager->GetScreen()->format->BitsPerPixel, 16);
    EXPECT_TRUE(inScreenFormat(contents->GetImage("opaque"), false));
    EXPECT_EQ(contents->GetImage("ball")->format->BitsPerPixel, 32); // alpha needs 32 bits

    // Without conversion a picture keeps the loader's format (the drawing benchmark's
    // reference).
    contents->SetDisplayFormatConversion(false);
    contents->ReleaseImages();
    EXPECT_EQ(contents->GetImage("opaque")->format->BitsPerPixel, 24);
}

TEST_F(ContentsManagerTest, FailuresAreCachedAndReleaseImagesKeepsSoundsAndFonts)
{
    EXPECT_EQ(contents->GetImage("late"), nullptr);
    EXPECT_EQ(contents->GetImageWH("late", 10, 10), nullptr);
    ASSERT_TRUE(MakeImage("late", 12, 16, 0x00FF00));
    EXPECT_EQ(contents->GetImage("late"), nullptr); // the disk is not asked again
    Mix_Chunk *sound = contents->GetAudio("select");
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(contents->GetAudio("missing"), nullptr);
    ASSERT_NE(contents->GetString(30, "text"), nullptr);

    contents->ReleaseImages();
    SDL_Surface *late = contents->GetImage("late");
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(late->h, 16);
    EXPECT_EQ(contents->GetAudio("select"), sound);
    EXPECT_GE(Mix_PlayChannelTimed(-1, sound, 0, -1), 0);
    EXPECT_NE(contents->GetString(30, "text"), nullptr);
}

// A 30 x 30 frame picture of nine 10 x 10 cells; the top edge cell has a darker first
// column so that the positions of its tiles show.
Uint32 FrameCell(int x, int y)
{
    static const Uint32 cells[3][3] = {{0xFF0000, 0x00FF00, 0x0000FF},
                                       {0xFFFF00, 0xFF00FF, 0x00FFFF},
                                       {0x800000, 0x000080, 0x404040}};
    return (y < 10 && x == 10) ? 0x008000 : cells[y / 10][x / 10];
}

TEST_F(ContentsManagerTest, FramesTileWholeCellsAndLeaveTheInsideTransparent)
{
    ASSERT_TRUE(MakeImage("frame", 30, 30, FrameCell));
    SDL_Surface *box = contents->GetFrame("frame", 100, 40);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(contents->GetFrame("frame", 100, 40), box);
    ASSERT_EQ(box->w, 100);
    ASSERT_EQ(box->h, 40);
    int wrong = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 100; ++x) {
            // Corners cover the last edge tiles; the inside stays see-through.
            const int col = x < 10 ? 0 : (x >= 90 ? 2 : 1);
            const int row = y < 10 ? 0 : (y >= 30 ? 2 : 1);
            const Uint32 pixel = PixelAt(box, x, y);
            const bool ok =
                (col == 1 && row == 1)
                    ? (pixel >> 24) == 0
                    : pixel == (0xFF000000 | FrameCell(col * 10 + x % 10, row * 10 + y % 10));
            if (!ok && ++wrong < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << pixel;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ContentsManagerTest, NarrowAndImpossibleFrames)
{
    ASSERT_TRUE(MakeImage("frame", 30, 30, FrameCell));
    // Below two cells wide: no top edge, the right corners cover the left ones from x 5.
    SDL_Surface *narrow = contents->GetFrame("frame", 15, 30);
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(PixelAt(narrow, 4, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(narrow, 5, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(narrow, 4, 15), 0xFFFFFF00u);
    EXPECT_EQ(PixelAt(narrow, 5, 15), 0xFF00FFFFu);

    // Pictures of a height 3 n + 2 take the bottom edge from row 2 h / 3 (21 of 32), the
    // bottom corners from row 2 n (20); widths likewise. Each pixel holds its own x and y.
    // At 45 pixels the last edge tile (x 30 to 39) shows left of the far corner (35 to 44).
    ASSERT_TRUE(MakeImage("odd", 32, 32, [](int x, int y) { return Uint32(x << 16 | y << 8); }));
    SDL_Surface *odd = contents->GetFrame("odd", 45, 45);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(PixelAt(odd, 10, 35) & 0xFFFFFF, 10u << 16 | 21u << 8);
    EXPECT_EQ(PixelAt(odd, 35, 10) & 0xFFFFFF, 21u << 16 | 10u << 8);
    EXPECT_EQ(PixelAt(odd, 35, 35) & 0xFFFFFF, 20u << 16 | 20u << 8);
    EXPECT_EQ(PixelAt(odd, 32, 0) & 0xFFFFFF, 12u << 16);
    EXPECT_EQ(PixelAt(odd, 0, 32) & 0xFFFFFF, 12u << 8);

    // Pictures smaller than 3 x 3, missing pictures and empty boxes give null.
    ASSERT_TRUE(MakeImage("thin", 2, 30, 0x00FF00));
    EXPECT_EQ(contents->GetFrame("thin", 50, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("missing", 50, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("frame", 0, 50), nullptr);
    EXPECT_EQ(contents->GetFrame("frame", 50, -1), nullptr);
}

// Under the address sanitizer a surface freed twice, used after being freed or never freed
// fails this test; without it the sizes and formats still have to be right.
TEST_F(ContentsManagerTest, UnnamedSurfacesAreFreedExactlyOnceAndOnlyWhenOwned)
{
    SDL_Surface *blank = contents->CreateUnNamedSurface(20, 10);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(blank->w, 20);
    EXPECT_EQ(blank->h, 10);
    EXPECT_EQ(PixelAt(blank, 19, 9) & 0xFFFFFF, 0xFFFFFFu);

    // Converting an owned surface replaces it: the old one is freed, the new one owned.
    SDL_Surface *fast = contents->AccelUnNamedSurface(blank);
    ASSERT_NE(fast, nullptr);
    EXPECT_NE(fast, blank);
    EXPECT_EQ(fast->w, 20);
    EXPECT_NE(fast->format->Amask, 0u);
    EXPECT_EQ(PixelAt(fast, 0, 0) >> 24, 0u); // the key colour turned transparent

    // Surfaces the cache does not own are converted or released without being freed.
    SDL_Surface *mine = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(mine, nullptr);
    SDL_Surface *copy = contents->AccelUnNamedSurface(mine);
    ASSERT_NE(copy, nullptr);
    contents->ReleaseUnNamedSurface(mine);
    EXPECT_EQ(mine->w, 8);
    SDL_FreeSurface(mine);

    // Releasing frees once; a second release of the same pointer is a no-op.
    contents->ReleaseUnNamedSurface(copy);
    contents->ReleaseUnNamedSurface(copy);
    contents->ReleaseUnNamedSurface(nullptr);
    EXPECT_EQ(contents->AccelUnNamedSurface(nullptr), nullptr);
    contents->CreateUnNamedSurface(4, 4);
    contents->ReleaseImages(); // frees the converted one and the last blank one
    EXPECT_NE(contents->CreateUnNamedSurface(4, 4), nullptr);
}

TEST_F(ContentsManagerTest, TextsAreCachedByKeyAndRenderedAsCharacters)
{
    SDL_Surface *text = contents->GetString(24, "Game", 0xFFFFFFFF);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(contents->GetString(0, "Game", 0xFFFFFFFF), text);
    EXPECT_EQ(contents->GetString("Game"), text);
    SDL_Surface *noTopByte = contents->GetString(24, "Game", 0x00FFFFFF);
    EXPECT_NE(noTopByte, text); // another key, the same pixels
    EXPECT_TRUE(SamePixels(noTopByte, text));
    EXPECT_EQ(StrongestPixel(contents->GetString(40, "M", 0xFFFF0000)), 0xFF0000u);
    EXPECT_EQ(contents->GetString(""), nullptr);

    // Shift-JIS captions render as the same characters as their UTF-8 spelling:
    // "ゲーム" and "左".
    EXPECT_TRUE(SamePixels(contents->GetString("\x83\x51\x81\x5B\x83\x80"),
                           contents->GetString("\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0")));
    EXPECT_TRUE(SamePixels(contents->GetString("\x8D\xB6"), contents->GetString("\xE5\xB7\xA6")));
    // UTF-8 file names pass unchanged.
    EXPECT_GT(contents->GetString("caf\xC3\xA9")->w, contents->GetString("caf")->w);
}

TEST_F(ContentsManagerTest, AMissingFontRendersNothingAndIsReportedOnce)
{
    ContentsManager broken;
    testing::internal::CaptureStderr();
    broken.SetDefaultFont("image/no-such-font.ttf", 24);
    EXPECT_EQ(broken.GetString("a"), nullptr);
    EXPECT_EQ(broken.GetString(30, "b"), nullptr);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("image/no-such-font.ttf"), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
}

} // namespace
