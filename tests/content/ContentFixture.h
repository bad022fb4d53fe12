// Test helpers for the content tests: a headless video/audio session, a scratch folder with
// hand-made PNG and WAV files of exact sizes, and pixel access.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "content/ContentsManager.h"

namespace contenttest {

const char *const kFontFile = "/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf";

// Colour as 0xAARRGGBB.
using PixelFunction = std::function<Uint32(int x, int y)>;

inline void PutBigEndian(std::vector<unsigned char> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<unsigned char>(value >> shift));
    }
}

inline uint32_t Crc32(const unsigned char *data, size_t length)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return crc ^ 0xFFFFFFFFu;
}

inline void PutChunk(std::vector<unsigned char> &out, const char *type,
                     const std::vector<unsigned char> &body)
{
    PutBigEndian(out, static_cast<uint32_t>(body.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian(out, Crc32(typed.data(), typed.size()));
}

// Writes an 8-bit RGBA PNG (deflate "stored" blocks, so no compressor is needed).
inline bool WritePng(const std::string &path, int width, int height, const PixelFunction &pixel)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < width; ++x) {
            Uint32 argb = pixel(x, y);
            raw.push_back(static_cast<unsigned char>(argb >> 16));
            raw.push_back(static_cast<unsigned char>(argb >> 8));
            raw.push_back(static_cast<unsigned char>(argb));
            raw.push_back(static_cast<unsigned char>(argb >> 24));
        }
    }
    std::vector<unsigned char> zlib{0x78, 0x01};
    size_t offset = 0;
    do {
        size_t block = std::min<size_t>(65535, raw.size() - offset);
        bool last = offset + block == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<unsigned char>(block));
        zlib.push_back(static_cast<unsigned char>(block >> 8));
        zlib.push_back(static_cast<unsigned char>(~block));
        zlib.push_back(static_cast<unsigned char>(~block >> 8));
        zlib.insert(zlib.end(), raw.begin() + offset, raw.begin() + offset + block);
        offset += block;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a);

    std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});

    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && ok;
}

inline bool WritePng(const std::string &path, int width, int height, Uint32 argb)
{
    return WritePng(path, width, height, [argb](int, int) { return argb; });
}

// Writes a silent 16-bit stereo 22050 Hz WAV file of the given length.
inline bool WriteWav(const std::string &path, int milliseconds)
{
    const uint32_t frames = 22050u * static_cast<uint32_t>(milliseconds) / 1000u;
    const uint32_t dataBytes = frames * 4;
    std::vector<unsigned char> wav;
    auto put32 = [&wav](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            wav.push_back(static_cast<unsigned char>(v >> (8 * i)));
        }
    };
    auto put16 = [&wav](uint16_t v) {
        wav.push_back(static_cast<unsigned char>(v));
        wav.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto tag = [&wav](const char *t) { wav.insert(wav.end(), t, t + 4); };
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);
    put16(2);
    put32(22050);
    put32(22050 * 4);
    put16(4);
    put16(16);
    tag("data");
    put32(dataBytes);
    wav.resize(wav.size() + dataBytes, 0);
    FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(wav.data(), 1, wav.size(), file) == wav.size();
    return std::fclose(file) == 0 && ok;
}

// Pixel at (x, y) as 0xAARRGGBB, whatever the surface format.
inline Uint32 PixelAt(SDL_Surface *surface, int x, int y)
{
    SDL_LockSurface(surface);
    const int bpp = surface->format->BytesPerPixel;
    const Uint8 *p = static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch + x * bpp;
    Uint32 value = 0;
    switch (bpp) {
    case 1:
        value = *p;
        break;
    case 2:
        value = *reinterpret_cast<const Uint16 *>(p);
        break;
    case 3:
        value = p[0] | (p[1] << 8) | (p[2] << 16);
        break;
    default:
        value = *reinterpret_cast<const Uint32 *>(p);
        break;
    }
    SDL_UnlockSurface(surface);
    Uint8 r, g, b, a;
    SDL_GetRGBA(value, surface->format, &r, &g, &b, &a);
    return (Uint32(a) << 24) | (Uint32(r) << 16) | (Uint32(g) << 8) | b;
}

// A headless SDL session with a window, a scratch working folder holding image/ and wav/
// and a ContentsManager configured like the game's (image/*.png, wav/*.wav, the font).
class ContentTest : public ::testing::Test
{
protected:
    std::string dir;
    std::string previousDir;
    SDL_Surface *screen = nullptr;
    ContentsManager *contents = nullptr;

    void SetUp() override
    {
        char buffer[4096];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        previousDir = buffer;
        char pattern[] = "/tmp/keyrise-content-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_EQ(system("mkdir -p image wav"), 0);

        ASSERT_GE(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_TIMER), 0);
        ASSERT_GE(TTF_Init(), 0);
        ASSERT_GE(Mix_OpenAudio(22050, AUDIO_S16LSB, 2, 1024), 0);
        screen = SDL_SetVideoMode(320, 240, 32, 0);
        ASSERT_NE(screen, nullptr);
        contents = new ContentsManager();
        contents->SetImageFolderPath("image", "png");
        contents->SetAudioFolderPath("wav", "wav");
        contents->SetDefaultFont(kFontFile, 24);
        contents->SetScreen(screen);
    }

    void TearDown() override
    {
        delete contents;
        Mix_CloseAudio();
        TTF_Quit();
        SDL_Quit();
        if (chdir(previousDir.c_str()) == 0 && !dir.empty()) {
            std::string remove = "rm -rf '" + dir + "'";
            (void)system(remove.c_str());
        }
    }

    std::string ImagePath(const std::string &name) { return "image/" + name + ".png"; }
};

} // namespace contenttest

#include <memory>

#include "framework/Scene.h"
#include "framework/SceneManager.h"
#include "support/HeadlessGame.h"

namespace contenttest {

// A headless game with one scene (not in the manager's list) to hang widgets on; pictures
// and sounds the tests make go into the game's own image/ and wav/ folders.
class WidgetTest : public ::testing::Test
{
protected:
    std::unique_ptr<HeadlessGame> game;
    SceneManager *manager = nullptr;
    ContentsManager *contents = nullptr;
    SDL_Surface *screen = nullptr;
    Scene *scene = nullptr;

    void SetUp() override
    {
        game = std::make_unique<HeadlessGame>(640, 480);
        ASSERT_TRUE(game->Ready());
        manager = &game->Manager();
        contents = manager->GetContentsManager();
        screen = manager->GetScreen();
        manager->SetClearColor(0);
        manager->ClearScreen();
        scene = new Scene(manager);
    }

    void TearDown() override
    {
        delete scene;
        game.reset();
    }

    bool MakeImage(const std::string &name, int width, int height, const PixelFunction &pixel)
    {
        return WritePng(game->Dir() + "/image/" + name + ".png", width, height, pixel);
    }
    bool MakeImage(const std::string &name, int width, int height, Uint32 argb)
    {
        return WritePng(game->Dir() + "/image/" + name + ".png", width, height, argb);
    }
    // One Idle walk over the scene at the clock now, as the main loop does it.
    void IdleWalk(Uint32 now)
    {
        game->SetTime(now);
        manager->IdleObject(scene, now);
    }
    Uint32 ScreenPixel(int x, int y) { return PixelAt(screen, x, y) & 0xFFFFFF; }
};

// Most opaque pixel of the surface (0xAARRGGBB): the colour of a rendered text.
inline Uint32 StrongestPixel(SDL_Surface *surface)
{
    Uint32 best = 0;
    for (int y = 0; y < surface->h; ++y) {
        for (int x = 0; x < surface->w; ++x) {
            Uint32 pixel = PixelAt(surface, x, y);
            if ((pixel >> 24) > (best >> 24)) {
                best = pixel;
            }
        }
    }
    return best;
}

} // namespace contenttest
