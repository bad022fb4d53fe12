// ContentsManager: loading, scaling, framing, text rendering and sound loading behind one cache.
#include "content/ContentsManager.h"

#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_rotozoom.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "text/TextConversion.h"

namespace {

// Blit coordinates are signed 16-bit, so a framed box cannot be larger than this.
const int kMaxFrameSide = 32767;

// Removes every occurrence of surface from the list; true when there was at least one.
bool RemoveAll(std::vector<SDL_Surface *> &list, SDL_Surface *surface)
{
    auto end = std::remove(list.begin(), list.end(), surface);
    bool found = end != list.end();
    list.erase(end, list.end());
    return found;
}

// The picture scaled by percentX and percentY (percent). SDL_gfx makes its result two rows
// higher than the picture and then lowers the surface's height by hand; SDL 1.2 as built on
// SDL 2 (sdl12-compat, Debian 13) does not see that change, and would convert and show the two
// spare rows too. The picture's own rows are copied into a surface of exactly its size.
SDL_Surface *Scaled(SDL_Surface *image, int percentX, int percentY)
{
    SDL_Surface *zoomed = zoomSurface(image, percentX / 100.0, percentY / 100.0, 1);
    if (zoomed == nullptr) {
        return nullptr;
    }
    // The height SDL_gfx set, read before any SDL call could take the surface's own again.
    const int width = zoomed->w;
    const int height = zoomed->h;
    const SDL_PixelFormat *format = zoomed->format;
    SDL_Surface *exact =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, format->BitsPerPixel, format->Rmask,
                             format->Gmask, format->Bmask, format->Amask);
    if (exact != nullptr) {
        if (format->palette != nullptr) {
            SDL_SetColors(exact, format->palette->colors, 0, format->palette->ncolors);
        }
        SDL_LockSurface(zoomed);
        SDL_LockSurface(exact);
        const size_t rowBytes = static_cast<size_t>(width) * format->BytesPerPixel;
        for (int y = 0; y < height; ++y) {
            std::memcpy(static_cast<Uint8 *>(exact->pixels) + y * exact->pitch,
                        static_cast<const Uint8 *>(zoomed->pixels) + y * zoomed->pitch, rowBytes);
        }
        SDL_UnlockSurface(exact);
        SDL_UnlockSurface(zoomed);
    }
    SDL_FreeSurface(zoomed);
    return exact;
}

// True when some pixel of the surface is not fully opaque: a colour key, or a per-pixel alpha
// below 255.
bool HasSeeThroughPixels(SDL_Surface *surface)
{
    if ((surface->flags & SDL_SRCCOLORKEY) != 0) {
        return true;
    }
    const SDL_PixelFormat *format = surface->format;
    if (format->Amask == 0) {
        return false;
    }
    bool found = false;
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h && !found; ++y) {
        const Uint8 *row = static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch;
        for (int x = 0; x < surface->w && !found; ++x) {
            Uint32 pixel = 0;
            std::memcpy(&pixel, row + x * format->BytesPerPixel,
                        std::min<int>(sizeof pixel, format->BytesPerPixel));
            found = (pixel & format->Amask) != format->Amask;
        }
    }
    SDL_UnlockSurface(surface);
    return found;
}

int ClampToInt(long long value)
{
    return static_cast<int>(std::min<long long>(INT_MAX, std::max<long long>(INT_MIN, value)));
}

} // namespace

bool ImageNameContainer::operator<(const ImageNameContainer &other) const
{
    // std::string compares bytes as unsigned char, so a prefix sorts first.
    int byName = name.compare(other.name);
    if (byName != 0) {
        return byName < 0;
    }
    if (width != other.width) {
        return width < other.width;
    }
    return height < other.height;
}

bool ImageNameContainer::operator==(const ImageNameContainer &other) const
{
    return name == other.name && width == other.width && height == other.height;
}

bool StringNameContainer::operator<(const StringNameContainer &other) const
{
    if (size != other.size) {
        return size < other.size;
    }
    if (color != other.color) {
        return color < other.color;
    }
    return text.compare(other.text) < 0;
}

bool StringNameContainer::operator==(const StringNameContainer &other) const
{
    return size == other.size && color == other.color && text == other.text;
}

ContentsManager::ContentsManager() = default;

ContentsManager::~ContentsManager()
{
    if (TTF_WasInit() != 0) {
        Release();
        return;
    }
    // The libraries are already shut down: freeing through them is no longer safe.
    images.clear();
    frames.clear();
    strings.clear();
    audios.clear();
    fonts.clear();
    unnamedSurfaces.clear();
}

void ContentsManager::SetImageFolderPath(std::string folder, std::string extension)
{
    imageFolder = std::move(folder);
    imageExtension = std::move(extension);
}

void ContentsManager::SetAudioFolderPath(std::string folder, std::string extension)
{
    audioFolder = std::move(folder);
    audioExtension = std::move(extension);
}

void ContentsManager::SetDefaultFont(std::string fontFile, int size)
{
    TTF_Font *font = TTF_OpenFont(fontFile.c_str(), size);
    defaultFontSize = size;
    defaultFontFile = std::move(fontFile);
    auto found = fonts.find(size);
    if (found != fonts.end() && found->second != nullptr && found->second != font) {
        TTF_CloseFont(found->second);
    }
    fonts[size] = font;
    if (font == nullptr) {
        ReportFontFailure();
    }
}

void ContentsManager::SetScreen(SDL_Surface *newScreen)
{
    screen = newScreen;
}

SDL_Surface *ContentsManager::GetImage(std::string name, int percentX, int percentY)
{
    ImageNameContainer key(name, percentX, percentY);
    auto found = images.find(key);
    if (found != images.end()) {
        return found->second;
    }
    std::string path = imageFolder + "/" + name + "." + imageExtension;
    SDL_Surface *image = IMG_Load(path.c_str());
    if (image != nullptr && (percentX != 100 || percentY != 100)) {
        SDL_Surface *scaled = Scaled(image, percentX, percentY);
        SDL_FreeSurface(image);
        image = scaled;
    }
    // Scaled from the loader's pixels, then converted once: every later blit is a plain one.
    image = ToDisplayFormat(image);
    images[key] = image;
    return image;
}

SDL_Surface *ContentsManager::GetImage(std::string name)
{
    return GetImage(std::move(name), 100, 100);
}

SDL_Surface *ContentsManager::GetImageWH(std::string name, int width, int height)
{
    SDL_Surface *natural = GetImage(name, 100, 100);
    if (natural == nullptr || natural->w <= 0 || natural->h <= 0) {
        return nullptr;
    }
    // Whole percent, truncated; widened so that absurd sizes cannot overflow.
    const long long percentX = static_cast<long long>(width) * 100 / natural->w;
    const long long percentY = static_cast<long long>(height) * 100 / natural->h;
    return GetImage(std::move(name), ClampToInt(percentX), ClampToInt(percentY));
}

SDL_Surface *ContentsManager::GetFrame(std::string name, int width, int height)
{
    ImageNameContainer key(name, width, height);
    auto found = frames.find(key);
    if (found != frames.end()) {
        return found->second;
    }
    // Built surfaces take the display's pixel format; without a display there is nothing to
    // build against yet, and nothing is cached so a later call can still succeed.
    if (screen == nullptr) {
        return nullptr;
    }
    SDL_Surface *frame = BuildFrame(GetImage(name, 100, 100), width, height);
    frames[key] = frame;
    return frame;
}

SDL_Surface *ContentsManager::BuildFrame(SDL_Surface *source, int width, int height)
{
    // The source is cut into a 3 x 3 grid; each cell must be at least one pixel.
    if (source == nullptr || source->w < 3 || source->h < 3) {
        return nullptr;
    }
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide) {
        return nullptr;
    }
    SDL_Surface *box = CreateBlankSurface(width, height);
    if (box == nullptr) {
        return nullptr;
    }
    const int cw = source->w / 3;
    const int ch = source->h / 3;
    auto copy = [&](int sx, int sy, int dx, int dy) {
        SDL_Rect from{static_cast<Sint16>(sx), static_cast<Sint16>(sy), static_cast<Uint16>(cw),
                      static_cast<Uint16>(ch)};
        SDL_Rect to{static_cast<Sint16>(dx), static_cast<Sint16>(dy), 0, 0};
        SDL_UpperBlit(source, &from, box, &to);
    };

    // Edges: whole cells repeated, never stretched.
    const int across = width / cw;
    for (int i = 1; i <= across - 1; ++i) {
        copy(cw, 0, i * cw, 0);
        copy(cw, (2 * source->h) / 3, i * cw, height - ch);
    }
    const int down = height / ch;
    for (int j = 1; j <= down - 1; ++j) {
        copy(0, ch, 0, j * ch);
        copy((2 * source->w) / 3, ch, width - cw, j * ch);
    }
    // Corners last, so they cover the edge tiles they overlap.
    copy(0, 0, 0, 0);
    copy(0, 2 * ch, 0, height - ch);
    copy(2 * cw, 2 * ch, width - cw, height - ch);
    copy(2 * cw, 0, width - cw, 0);

    // The key colour (the untouched inside and any see-through parts) becomes transparent.
    SDL_Surface *converted = SDL_DisplayFormatAlpha(box);
    SDL_FreeSurface(box);
    if (converted != nullptr && convertToDisplay) {
        // The inside is one long transparent run: run-length encoding skips it when drawn.
        SDL_SetAlpha(converted, SDL_SRCALPHA | SDL_RLEACCEL, SDL_ALPHA_OPAQUE);
    }
    return converted;
}

SDL_Surface *ContentsManager::ToDisplayFormat(SDL_Surface *surface)
{
    if (surface == nullptr || screen == nullptr || !convertToDisplay) {
        return surface;
    }
    const bool seeThrough = HasSeeThroughPixels(surface);
    SDL_Surface *converted =
        seeThrough ? SDL_DisplayFormatAlpha(surface) : SDL_DisplayFormat(surface);
    if (converted == nullptr) {
        return surface;
    }
    SDL_FreeSurface(surface);
    if (seeThrough) {
        SDL_SetAlpha(converted, SDL_SRCALPHA | SDL_RLEACCEL, SDL_ALPHA_OPAQUE);
    }
    return converted;
}

SDL_Surface *ContentsManager::CreateBlankSurface(int width, int height)
{
    if (screen == nullptr) {
        return nullptr;
    }
    SDL_PixelFormat *format = screen->format;
    SDL_Surface *surface =
        SDL_CreateRGBSurface(SDL_HWSURFACE | SDL_SRCCOLORKEY, width, height, format->BitsPerPixel,
                             format->Rmask, format->Gmask, format->Bmask, format->Amask);
    if (surface == nullptr) {
        return nullptr;
    }
    SDL_SetColorKey(surface, SDL_SRCCOLORKEY, 0xFFFFFFFF);
    SDL_FillRect(surface, nullptr, 0xFFFFFFFF);
    return surface;
}

SDL_Surface *ContentsManager::GetString(int size, std::string text, Uint32 color)
{
    if (size <= 0) {
        size = defaultFontSize;
    }
    StringNameContainer key(text, color, size);
    auto found = strings.find(key);
    if (found != strings.end()) {
        return found->second;
    }
    // Captions, key and instrument names are Shift-JIS bytes; file names are UTF-8.
    std::string utf8 = ToUtf8(text);

    TTF_Font *font = FontOfSize(size);
    SDL_Surface *rendered = nullptr;
    if (font != nullptr) {
        SDL_Color rgb{static_cast<Uint8>((color >> 16) & 0xFF),
                      static_cast<Uint8>((color >> 8) & 0xFF), static_cast<Uint8>(color & 0xFF), 0};
        rendered = ToDisplayFormat(TTF_RenderUTF8_Blended(font, utf8.c_str(), rgb));
    }
    strings[key] = rendered;
    return rendered;
}

TTF_Font *ContentsManager::FontOfSize(int size)
{
    if (size <= 0) {
        size = defaultFontSize;
    }
    auto cached = fonts.find(size);
    if (cached != fonts.end()) {
        return cached->second;
    }
    TTF_Font *font = TTF_OpenFont(defaultFontFile.c_str(), size);
    fonts[size] = font;
    if (font == nullptr) {
        ReportFontFailure();
    }
    return font;
}

int ContentsManager::GetTextWidth(int size, const std::string &text)
{
    TTF_Font *font = FontOfSize(size);
    int width = 0;
    int height = 0;
    if (font == nullptr || text.empty() ||
        TTF_SizeUTF8(font, ToUtf8(text).c_str(), &width, &height) != 0) {
        return 0;
    }
    return width;
}

std::string ContentsManager::FitText(int size, const std::string &text, int maxWidth)
{
    const std::string utf8 = ToUtf8(text);
    TTF_Font *font = FontOfSize(size);
    int width = 0;
    int height = 0;
    if (font == nullptr || TTF_SizeUTF8(font, utf8.c_str(), &width, &height) != 0 ||
        width <= maxWidth) {
        return utf8;
    }
    static const std::string kEllipsis = "\xE2\x80\xA6"; // U+2026, one character
    // The longest beginning that fits with the ellipsis, found by halving over the character
    // boundaries: ends[k - 1] is where the first k characters end.
    std::vector<size_t> ends = Utf8CharacterStarts(utf8);
    ends.erase(ends.begin());
    size_t low = 0; // characters known to fit
    size_t high = ends.size();
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        const std::string candidate = utf8.substr(0, ends[middle - 1]) + kEllipsis;
        if (TTF_SizeUTF8(font, candidate.c_str(), &width, &height) == 0 && width <= maxWidth) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return (low == 0 ? std::string() : utf8.substr(0, ends[low - 1])) + kEllipsis;
}

const StringNameContainer *ContentsManager::TextOf(const SDL_Surface *surface) const
{
    for (const auto &entry : strings) {
        if (entry.second == surface && surface != nullptr) {
            return &entry.first;
        }
    }
    return nullptr;
}

bool ContentsManager::IsFrame(const SDL_Surface *surface) const
{
    for (const auto &entry : frames) {
        if (entry.second == surface && surface != nullptr) {
            return true;
        }
    }
    return false;
}

SDL_Surface *ContentsManager::GetString(std::string text, Uint32 color)
{
    return GetString(defaultFontSize, std::move(text), color);
}

SDL_Surface *ContentsManager::GetString(std::string text)
{
    return GetString(defaultFontSize, std::move(text), 0xFFFFFFFF);
}

SDL_Surface *ContentsManager::GetString(int size, std::string text)
{
    return GetString(size, std::move(text), 0xFFFFFFFF);
}

Mix_Chunk *ContentsManager::GetAudio(std::string name)
{
    auto found = audios.find(name);
    if (found != audios.end()) {
        return found->second;
    }
    std::string path = audioFolder + "/" + name + "." + audioExtension;
    Mix_Chunk *chunk = nullptr;
    SDL_RWops *stream = SDL_RWFromFile(path.c_str(), "rb");
    if (stream != nullptr) {
        chunk = Mix_LoadWAV_RW(stream, 1); // closes the stream
    }
    audios[name] = chunk;
    return chunk;
}

SDL_Surface *ContentsManager::CreateUnNamedSurface(int width, int height)
{
    SDL_Surface *surface = CreateBlankSurface(width, height);
    if (surface != nullptr) {
        unnamedSurfaces.push_back(surface);
    }
    return surface;
}

SDL_Surface *ContentsManager::AccelUnNamedSurface(SDL_Surface *surface)
{
    if (surface == nullptr) {
        return nullptr;
    }
    SDL_Surface *converted = SDL_DisplayFormatAlpha(surface);
    if (converted == nullptr) {
        // Keep the original: the caller still holds it and nothing replaced it.
        return nullptr;
    }
    if (RemoveAll(unnamedSurfaces, surface)) {
        SDL_FreeSurface(surface);
    }
    unnamedSurfaces.push_back(converted);
    return converted;
}

void ContentsManager::ReleaseUnNamedSurface(SDL_Surface *surface)
{
    if (surface != nullptr && RemoveAll(unnamedSurfaces, surface)) {
        SDL_FreeSurface(surface);
    }
}

void ContentsManager::ReleaseImages()
{
    for (auto &entry : images) {
        SDL_FreeSurface(entry.second);
    }
    images.clear();
    for (auto &entry : strings) {
        SDL_FreeSurface(entry.second);
    }
    strings.clear();
    for (SDL_Surface *surface : unnamedSurfaces) {
        SDL_FreeSurface(surface);
    }
    unnamedSurfaces.clear();
    for (auto &entry : frames) {
        SDL_FreeSurface(entry.second);
    }
    frames.clear();
}

void ContentsManager::Release()
{
    ReleaseImages();
    for (auto &entry : fonts) {
        if (entry.second != nullptr) {
            TTF_CloseFont(entry.second);
        }
    }
    fonts.clear();
    for (auto &entry : audios) {
        if (entry.second != nullptr) {
            Mix_FreeChunk(entry.second);
        }
    }
    audios.clear();
}

void ContentsManager::ReportFontFailure()
{
    // Every text then renders as nothing; say once which file is at fault.
    if (reportedFontFailure) {
        return;
    }
    reportedFontFailure = true;
    std::fprintf(stderr, "cannot open font file %s: %s\n", defaultFontFile.c_str(), TTF_GetError());
}
