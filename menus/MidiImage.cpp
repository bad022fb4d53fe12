// MidiImage: building, drawing and input of a song card, and saving its records when it goes.
#include "menus/MidiImage.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "content/ContentsManager.h"
#include "content/NumWriter.h"
#include "framework/SceneManager.h"
#include "song/PartNames.h"
#include "text/MessageCatalog.h"
#include "widgets/FrameImage.h"

namespace {

// Every card alive, so that a container going away can be forgotten by the cards copying it.
std::set<MidiImage *> &LiveCards()
{
    static std::set<MidiImage *> cards;
    return cards;
}

const char *const kHighScoreLabel = TrNoop("High Score :");
const Uint32 kWhite = 0xFFFFFFFF;
const int kBoxLeft = 30; ///< pixels the background and frame reach left of the title
const int kBoxTop = 10;  ///< pixels they reach above it

} // namespace

MidiImage::MidiImage(SceneManager *manager, SceneObject *parent) : SpriteImage(manager, parent)
{
    // Cards are made on the scene-change thread (a screen's Init) and on the main thread.
    static std::atomic<uint64_t> lastSerial{0};
    serial = ++lastSerial;
    LiveCards().insert(this);
}

MidiImage::~MidiImage()
{
    LiveCards().erase(this);
    SaveRecords();
    // The frame is a child and goes with the tree; the score arrays go with MidiContainer.
}

bool MidiImage::SaveRecords()
{
    if (!IsChanged()) {
        return true;
    }
    // The song takes the new records. Its saved copies take what the score file now holds:
    // after a failed save they keep the old values, so the song still sees the records as
    // changed, the next card of the song tries again, and so does the title menu at exit.
    const bool saved = Save();
    if (source != nullptr) {
        source->songOffset = songOffset;
        source->savedSongOffset = savedSongOffset;
    }
    if (source != nullptr && source->maxChannel == maxChannel && source->highScore[0] == nullptr) {
        source->AllocateScoreArrays(); // a song never played before
    }
    if (source != nullptr && source->maxChannel == maxChannel && source->highScore[0] != nullptr) {
        for (int k = 0; k < KEY_COUNTS; k++) {
            for (int c = 0; c <= maxChannel; c++) {
                source->highScore[k][c] = highScore[k][c];
                source->savedHighScore[k][c] = savedHighScore[k][c];
                source->highRate[k][c] = highRate[k][c];
                source->savedHighRate[k][c] = savedHighRate[k][c];
            }
        }
    }
    return saved;
}

void MidiImage::ForgetSource(MidiContainer *container)
{
    for (MidiImage *card : LiveCards()) {
        if (card->source == container) {
            card->source = nullptr;
        }
    }
}

void MidiImage::ForgetAllSources()
{
    for (MidiImage *card : LiveCards()) {
        card->source = nullptr;
    }
}

void MidiImage::SetSelectChunk(ContentsManager *contents, std::string name)
{
    selectChunk = contents->GetAudio(name);
}

void MidiImage::Set(MidiContainer *container, int keyCountIndex, std::string frame,
                    std::string backgroundPicture)
{
    source = container;
    summary = container->summary;
    songHeap = container->songHeap;
    path = container->path;
    scorePath = container->scorePath;
    name = container->name; // the card renders it as its title
    midi = container->midi;
    firstEvent = container->firstEvent;
    maxChannel = container->maxChannel;
    AllocateScoreArrays();
    for (int k = 0; k < KEY_COUNTS; k++) {
        for (int c = 0; c <= maxChannel; c++) {
            highScore[k][c] = container->highScore[k] ? container->highScore[k][c] : 0;
            highRate[k][c] = container->highRate[k] ? container->highRate[k][c] : -1;
            savedHighScore[k][c] =
                container->savedHighScore[k] ? container->savedHighScore[k][c] : 0;
            savedHighRate[k][c] = container->savedHighRate[k] ? container->savedHighRate[k][c] : -1;
        }
    }
    songOffset = container->songOffset;
    savedSongOffset = container->savedSongOffset;
    std::copy(std::begin(container->programs), std::end(container->programs), programs);
    std::copy(std::begin(container->density), std::end(container->density), density);
    positions = container->positions;
    startTempo = container->startTempo;
    tempoLevel = container->tempoLevel;
    lengthLevel = container->lengthLevel;
    numWriter = container->numWriter;
    instrumentImages = container->instrumentImages;
    std::copy(std::begin(container->noteCounts), std::end(container->noteCounts), noteCounts);
    // The song's part when it has notes, else the first part that has some.
    part = container->part >= 0 && container->part < 16 && noteCounts[container->part] > 0
               ? container->part
               : FirstPlayablePart();
    partNotesShown = -1;
    title = container->title;

    keyIndex = std::clamp(keyCountIndex, 0, KEY_COUNTS - 1);
    frameName = std::move(frame);
    backgroundName = std::move(backgroundPicture);
    imagesBuilt = false;
    // The card's own picture is the song's title, when the song has one rendered already.
    surface = container->title.surface;
    sourceRect = container->title.sourceRect;
}

int MidiImage::ContentWidth() const
{
    // The card (the text and the box's border on either side) takes at most half the width.
    return std::max(1, manager->GetWidth() / 2 - 2 * kBoxLeft);
}

void MidiImage::BuildImages()
{
    if (imagesBuilt) {
        return;
    }
    imagesBuilt = true;
    ContentsManager *contents = manager->GetContentsManager();
    // A long name is shortened with an ellipsis so that the card stays on the screen: the
    // chosen card rests at the middle, so the card may take half the width.
    const int maxTextWidth = ContentWidth();
    if (title.surface == nullptr || title.surface->w > maxTextWidth) {
        // Sub-folders show as part of the name: a folder is a group of songs.
        title.LoadString(contents, contents->FitText(0, name, maxTextWidth), kWhite);
    }
    surface = title.surface;
    sourceRect = title.sourceRect;
    if (summary.indexed && !summary.readable) {
        unplayable.LoadString(
            contents,
            contents->FitText(0,
                              FormatText(Tr("cannot be played: %s"), Tr(summary.warning.c_str())),
                              maxTextWidth),
            0xFFFF8080);
    } else {
        unplayable.SetSurface(nullptr);
    }

    label.LoadString(contents, Tr(kHighScoreLabel), kWhite);

    const int titleWidth = surface ? surface->w : 0;
    const int titleHeight = surface ? surface->h : 0;
    const int labelWidth = label.surface ? label.surface->w : 0;
    const int labelHeight = label.surface ? label.surface->h : 0;
    int width = titleWidth;
    int numberHeight = 0;
    if (numWriter != nullptr) {
        width = std::max(width, labelWidth + numWriter->GetWidth(highScore[0][0]));
        for (int c = 0; c <= maxChannel; c++) {
            width = std::max(width, labelWidth + numWriter->GetWidth(highScore[keyIndex][c]));
        }
        numberHeight = numWriter->GetHeight();
    }
    if (instrumentImages != nullptr) {
        for (int p = 0; p < kPartNameCount; p++) {
            if (instrumentImages[p].surface != nullptr) {
                width = std::max(width, static_cast<int>(instrumentImages[p].surface->w));
            }
        }
    }
    // Each part's line (number, instrument, note count) stands inside the card.
    if (numWriter != nullptr && instrumentImages != nullptr) {
        for (int c = 0; c <= maxChannel && c < 16; c++) {
            if (noteCounts[c] <= 0) {
                continue;
            }
            const ImageSet &instrument =
                instrumentImages[PartNameIndex(c, std::clamp(programs[c & 0x7F], 0, 127))];
            const int instrumentWidth = instrument.surface ? instrument.surface->w : 0;
            width = std::max(width, 10 + numWriter->GetWidth(c) + instrumentWidth +
                                        contents->GetTextWidth(0, PartCaption(c)));
        }
    }
    if (unplayable.surface != nullptr) {
        width = std::max(width, static_cast<int>(unplayable.surface->w));
    }
    // Part lines too long for the card are shortened when they are drawn.
    width = std::min(width, maxTextWidth);
    const int height = labelHeight + titleHeight + 20 + numberHeight;

    if (frame == nullptr) {
        frame = new FrameImage(manager, this);
        // Drawn by the card itself, right after the card, and skipped with it off screen.
        frame->visible = false;
    }
    SDL_Rect offset{static_cast<Sint16>(-kBoxLeft), static_cast<Sint16>(-kBoxTop), 0, 0};
    frame->SetRelativePosition(offset);
    frame->LoadFrameImage(frameName, width + 2 * kBoxLeft, height);
    background.LoadImageWH(contents, backgroundName, width + 2 * kBoxLeft, height);
}

int *MidiImage::GetHighScoreCell(int keyCountIndex, int channel)
{
    if (keyCountIndex < 0 || keyCountIndex >= KEY_COUNTS || channel < 0 || channel > maxChannel ||
        highScore[keyCountIndex] == nullptr) {
        return nullptr;
    }
    return &highScore[keyCountIndex][channel];
}

int *MidiImage::GetHighRateCell(int keyCountIndex, int channel)
{
    if (keyCountIndex < 0 || keyCountIndex >= KEY_COUNTS || channel < 0 || channel > maxChannel ||
        highRate[keyCountIndex] == nullptr) {
        return nullptr;
    }
    return &highRate[keyCountIndex][channel];
}

int MidiImage::GetDensity(int channel) const
{
    if (channel < 0 || channel >= 128) {
        return 0;
    }
    return density[channel];
}

void MidiImage::Draw(SDL_Surface *screen)
{
    if (screen == nullptr) {
        return;
    }
    BuildImages();
    if (surface == nullptr) {
        return;
    }
    SDL_Rect at;
    GetPosition(at);
    const int x = at.x;
    const int y = at.y;
    const int boxX = x - kBoxLeft;
    const int boxY = y - kBoxTop;
    const int boxWidth = background.surface ? background.surface->w : 0;
    const int boxHeight = background.surface ? background.surface->h : 0;
    if (boxX + boxWidth < 0 || boxY + boxHeight < 0 || boxX > screen->w || boxY > screen->h) {
        return;
    }

    SDL_Rect box{static_cast<Sint16>(boxX), static_cast<Sint16>(boxY), 0, 0};
    background.Draw(screen, &box);
    SDL_Rect titleAt{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    ImageSet::Draw(screen, &titleAt);

    const int titleHeight = sourceRect.h;
    if (unplayable.surface != nullptr) {
        SDL_Rect whyAt{static_cast<Sint16>(x + 10), static_cast<Sint16>(y + titleHeight), 0, 0};
        unplayable.Draw(screen, &whyAt);
    } else if (numWriter != nullptr && instrumentImages != nullptr && active && part >= 0 &&
               part <= maxChannel && highScore[keyIndex] != nullptr) {
        const int program = std::clamp(programs[part & 0x7F], 0, 127);
        ImageSet &instrument = instrumentImages[PartNameIndex(part, program)];

        SDL_Rect line{static_cast<Sint16>(x + 10), static_cast<Sint16>(y + titleHeight), 0, 0};
        const int afterNumber = numWriter->Print(part, screen, &line, -1);
        SDL_Rect nameAt{static_cast<Sint16>(afterNumber), static_cast<Sint16>(y + titleHeight), 0,
                        0};

        // The instrument, or on channel 10 the drum kit, then the note count, both shortened
        // with an ellipsis where they would run out of the card.
        const int room = x + ContentWidth() - afterNumber;
        const bool nameFits = instrument.surface == nullptr || instrument.sourceRect.w <= room;
        if (partNotesShown != part) {
            ContentsManager *contents = manager->GetContentsManager();
            if (!nameFits) {
                shortPartName.LoadString(
                    contents,
                    contents->FitText(0, Tr(GetPartName(PartNameIndex(part, program))), room),
                    kWhite);
            }
            const ImageSet &shownName = nameFits ? instrument : shortPartName;
            const int nameWidth = shownName.surface ? shownName.sourceRect.w : 0;
            partNotes.LoadString(
                contents, contents->FitText(0, PartCaption(part), std::max(1, room - nameWidth)),
                kWhite);
            partNotesShown = part;
        }
        ImageSet &name = nameFits ? instrument : shortPartName;
        SDL_Rect notesAt = nameAt;
        notesAt.x = static_cast<Sint16>(nameAt.x + (name.surface ? name.sourceRect.w : 0));
        name.Draw(screen, &nameAt);
        partNotes.Draw(screen, &notesAt);

        const int nameHeight = instrument.surface ? instrument.sourceRect.h : 0;
        SDL_Rect labelAt{static_cast<Sint16>(x + 10),
                         static_cast<Sint16>(y + titleHeight + nameHeight), 0, 0};
        label.Draw(screen, &labelAt);
        const int labelWidth = label.surface ? label.sourceRect.w : 0;
        SDL_Rect scoreAt{static_cast<Sint16>(x + 10 + labelWidth),
                         static_cast<Sint16>(y + titleHeight + nameHeight), 0, 0};
        numWriter->Print(highScore[keyIndex][part], screen, &scoreAt, -1);
    }

    if (frame != nullptr) {
        frame->Draw(screen);
    }
}

std::string MidiImage::PartCaption(int channel) const
{
    return "  " +
           FormatText(Tr("%d notes"), channel >= 0 && channel < 16 ? noteCounts[channel] : 0);
}

int MidiImage::FirstPlayablePart() const
{
    for (int c = 0; c <= maxChannel && c < 16; c++) {
        if (noteCounts[c] > 0) {
            return c;
        }
    }
    return 0;
}

int MidiImage::StepPart(int from, int direction) const
{
    const int parts = maxChannel + 1;
    // Parts without notes have nothing to play: they are stepped over.
    for (int step = 1; step <= parts; step++) {
        const int candidate = ((from + direction * step) % parts + parts) % parts;
        if (candidate < 16 && noteCounts[candidate] > 0) {
            return candidate;
        }
    }
    return from;
}

void MidiImage::Event(SDL_Event *event)
{
    if (event->type != SDL_USEREVENT || !active) {
        return;
    }
    switch (event->user.code) {
    case 2: // up
        part = StepPart(part, 1);
        break;
    case 3: // down
        part = StepPart(part, -1);
        break;
    default:
        return;
    }
    if (selectChunk != nullptr) {
        Mix_PlayChannelTimed(-1, selectChunk, 0, -1);
    }
}
