// ContentsManager: the one cache that turns names into pictures, framed boxes, texts and sounds.
#pragma once

#include <SDL.h>

#include <map>
#include <string>
#include <vector>

struct Mix_Chunk;
typedef struct _TTF_Font TTF_Font;

// Key of the image cache (width/height: scale in percent) and of the frame cache (pixels).
class ImageNameContainer
{
public:
    std::string name;
    int width = 100;
    int height = 100;

    ImageNameContainer() = default;
    ImageNameContainer(std::string name, int width, int height)
        : name(std::move(name)), width(width), height(height)
    {
    }
    virtual ~ImageNameContainer() = default;
    ImageNameContainer(const ImageNameContainer &) = default;
    ImageNameContainer &operator=(const ImageNameContainer &) = default;

    bool operator<(const ImageNameContainer &other) const;
    bool operator>(const ImageNameContainer &other) const { return other < *this; }
    bool operator==(const ImageNameContainer &other) const;
};

// Key of the string cache: ordered by size, then colour, then text bytes.
class StringNameContainer
{
public:
    std::string text;
    Uint32 color;
    int size;

    StringNameContainer() = default;
    StringNameContainer(std::string text, Uint32 color, int size)
        : text(std::move(text)), color(color), size(size)
    {
    }
    virtual ~StringNameContainer() = default;
    StringNameContainer(const StringNameContainer &) = default;
    StringNameContainer &operator=(const StringNameContainer &) = default;

    bool operator<(const StringNameContainer &other) const;
    bool operator>(const StringNameContainer &other) const { return other < *this; }
    bool operator==(const StringNameContainer &other) const;
};

// Owns everything it returns; a failed load is cached as null. Not thread-safe: one thread at
// a time (the scene-change worker while it runs, the main thread otherwise).
class ContentsManager
{
public:
    ContentsManager();
    virtual ~ContentsManager();

    void SetImageFolderPath(std::string folder, std::string extension);
    void SetAudioFolderPath(std::string folder, std::string extension);
    // Opens the font at that size; it becomes the default font and size.
    void SetDefaultFont(std::string fontFile, int size);
    int GetDefaultFontSize() const { return defaultFontSize; }
    // Makes 'size' (pixels) the default size of the font already set; texts rendered from now
    // on at the default size take it.
    void SetDefaultFontSize(int size) { defaultFontSize = size; }
    // The display surface: pictures loaded from now on take its pixel format. The caller
    // empties the picture caches when the format changes (ReleaseImages), so that every
    // picture is converted again for the new display.
    void SetScreen(SDL_Surface *screen);
    SDL_Surface *GetScreen() const { return screen; }
    // Whether loaded, scaled, rendered and framed pictures are converted to the display's
    // format (on by default); off keeps the loader's format, the reference of the drawing
    // benchmark. Applies to pictures loaded afterwards.
    void SetDisplayFormatConversion(bool on) { convertToDisplay = on; }

    // Image scaled by the percentages (100 = natural size).
    SDL_Surface *GetImage(std::string name, int percentX, int percentY);
    SDL_Surface *GetImage(std::string name);
    // Image scaled to about width x height, quantised to whole percent.
    SDL_Surface *GetImageWH(std::string name, int width, int height);
    // Framed box of exactly width x height cut from the image's 3 x 3 grid; null when the
    // image is missing or smaller than 3 x 3.
    SDL_Surface *GetFrame(std::string name, int width, int height);
    // Rendered text; size <= 0 means the default size. Texts may be UTF-8 or Shift-JIS bytes.
    // Null for the empty text, or when the font cannot be opened (said once on stderr).
    SDL_Surface *GetString(int size, std::string text, Uint32 color);
    SDL_Surface *GetString(std::string text, Uint32 color);
    SDL_Surface *GetString(std::string text);
    SDL_Surface *GetString(int size, std::string text);
    // Width in pixels of the text rendered at 'size' (<= 0: the default size); 0 for the empty
    // text or without a font.
    int GetTextWidth(int size, const std::string &text);
    // The text as it fits into maxWidth pixels at 'size': itself when it fits, else its longest
    // beginning of whole characters followed by an ellipsis ("..." as one character), or just
    // the ellipsis when not even one character fits. Without a font the text comes back as it
    // is. The result is UTF-8.
    std::string FitText(int size, const std::string &text, int maxWidth);
    // The cache key (text, colour, size) of a rendered text, or null when the surface is not
    // one of the cache's texts (a picture, a frame, unknown).
    const StringNameContainer *TextOf(const SDL_Surface *surface) const;
    // Whether the surface is one of the cache's framed boxes.
    bool IsFrame(const SDL_Surface *surface) const;
    // Sound effect by name.
    Mix_Chunk *GetAudio(std::string name);

    // A new blank surface of width x height pixels (display format, keyed and filled with
    // 0xFFFFFFFF), owned by the cache but not found by name.
    SDL_Surface *CreateUnNamedSurface(int width, int height);
    // The surface converted to the display format with alpha; the converted copy is owned by
    // the cache and replaces the original if the cache owned that (which is then freed). Null,
    // with the original untouched, when the conversion fails.
    SDL_Surface *AccelUnNamedSurface(SDL_Surface *surface);
    // Frees the surface if the cache owns it as an unnamed surface; others are left alone.
    void ReleaseUnNamedSurface(SDL_Surface *surface);

    // Frees pictures (images, texts, unnamed surfaces, frames); fonts and sounds stay.
    void ReleaseImages();
    // ReleaseImages, then fonts and sounds.
    void Release();

private:
    // Cuts the source's 3 x 3 grid into a width x height box; null if it cannot be built.
    SDL_Surface *BuildFrame(SDL_Surface *source, int width, int height);
    // A blank surface in the display's format, filled with and keyed on 0xFFFFFFFF.
    SDL_Surface *CreateBlankSurface(int width, int height);
    // The picture in the display's format, blitting fast: with per-pixel alpha when some pixel
    // is see-through (run-length encoded, so the blit skips transparent runs), without alpha
    // otherwise. The original is freed when a converted copy replaces it; it is returned as it
    // is without a display, with conversion off or when the conversion fails.
    SDL_Surface *ToDisplayFormat(SDL_Surface *surface);
    // Says once on stderr which font file could not be opened.
    void ReportFontFailure();
    // The font at that size (<= 0: the default size), opened once and kept; null when it cannot
    // be opened.
    TTF_Font *FontOfSize(int size);

    int defaultFontSize = 0;
    std::string defaultFontFile;
    std::string imageFolder;
    std::string imageExtension;
    std::string audioFolder;
    std::string audioExtension;
    SDL_Surface *screen = nullptr;
    std::map<ImageNameContainer, SDL_Surface *> images;
    std::map<ImageNameContainer, SDL_Surface *> frames;
    std::map<StringNameContainer, SDL_Surface *> strings;
    std::map<std::string, Mix_Chunk *> audios;
    std::map<int, TTF_Font *> fonts;
    std::vector<SDL_Surface *> unnamedSurfaces;
    bool reportedFontFailure = false;
    bool convertToDisplay = true;
};
