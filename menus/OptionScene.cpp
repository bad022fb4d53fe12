// OptionScene: rows of the settings screen, focus movement, and saving the settings.
#include "menus/OptionScene.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>

#include "config/ConfigReader.h"
#include "config/ConfigReaderWriter.h"
#include "config/PlaySettings.h"
#include "config/SettingKeys.h"
#include "content/ContentsManager.h"
#include "devices/MidiKeyboard.h"
#include "devices/MidiOut.h"
#include "framework/LanguageChoice.h"
#include "framework/SceneManager.h"
#include "framework/VideoModeChoice.h"
#include "menus/KeyConfigScene.h"
#include "menus/SaveNotice.h"
#include "menus/TimingScene.h"
#include "platform/GamePaths.h"
#include "smf/ReadMidi.h"
#include "text/MessageCatalog.h"
#include "widgets/NoticeText.h"
#include "widgets/SpriteImage.h"
#include "widgets/StringSelector.h"

namespace {
// What the two choices of the play row mean.
const char *const kAutoPlayHelp = TrNoop("Auto Play: your part also plays by itself while you "
                                         "hit its notes. Self Play: it sounds only where you hit.");

void Play(Mix_Chunk *chunk)
{
    if (chunk != nullptr) {
        Mix_PlayChannelTimed(-1, chunk, 0, -1);
    }
}

// A mode list is real when it names sizes: neither null (no mode) nor -1 (any size).
bool IsRealList(SDL_Rect **modes)
{
    return modes != nullptr && modes != reinterpret_cast<SDL_Rect **>(-1);
}

// A screen size as the size rows show it: "640 x 480".
std::string SizeText(int width, int height)
{
    return FormatText("%d x %d", width, height);
}

std::vector<std::string> SizeTexts(SDL_Rect **modes, const std::vector<SDL_Rect> &fixedSizes)
{
    std::vector<std::string> texts;
    if (IsRealList(modes)) {
        for (int i = 0; modes[i] != nullptr; i++) {
            texts.push_back(SizeText(modes[i]->w, modes[i]->h));
        }
    } else {
        for (const SDL_Rect &size : fixedSizes) {
            texts.push_back(SizeText(size.w, size.h));
        }
    }
    return texts;
}

const int kSpeedSteps = 19; ///< speeds 10 % to 190 % in steps of 10

// The "language" setting of each entry of the language row; the first one (follow the
// locale) is the setting's absence.
const int kLanguageEntries = 3;
const char *const kLanguageSettings[kLanguageEntries] = {"", "en", "ja"};

} // namespace

OptionScene::OptionScene(SceneManager *manager) : Scene(manager)
{
    for (const ListedMode &mode : VideoModeChoice::BuiltInModes()) {
        fixedSizes.push_back(
            SDL_Rect{0, 0, static_cast<Uint16>(mode.width), static_cast<Uint16>(mode.height)});
    }
}

void OptionScene::Init(void *)
{
    ContentsManager *contents = manager->GetContentsManager();
    okChunk = contents->GetAudio("ok");
    cancelChunk = contents->GetAudio("cancel");
    selectChunk = contents->GetAudio("select");

    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    const PlaySettings settings = PlaySettings::Read(config);
    // The screen rows show the screen in effect, which start-up may have chosen differently
    // from the stored values (no "videomode", a size the display refused).
    const bool fullScreen = manager->IsFullScreen();
    const int midiIn = config.GetInteger("mididev", 0);
    std::string language;
    config.GetString(language, LanguageChoice::kSettingKey, "");
    windowModes = SDL_ListModes(nullptr, 0);
    fullScreenModes = SDL_ListModes(nullptr, SDL_FULLSCREEN);

    texts[kWindowSize] = SizeTexts(windowModes, fixedSizes);
    texts[kFullSize] = SizeTexts(fullScreenModes, fixedSizes);
    // A screen size that none of the entries names is offered as the last entry.
    const std::string size = SizeText(manager->GetWidth(), manager->GetHeight());
    for (int row : {kWindowSize, kFullSize}) {
        const auto &entries = texts[row];
        const bool listed = std::find(entries.begin(), entries.end(), size) != entries.end();
        extraSize[row] = !listed;
        if (!listed) {
            texts[row].push_back(size);
        }
    }
    texts[kScreenMode] = {Tr("Window Mode"), Tr("Fullscreen Mode")};
    char text[64];
    for (int keys = 1; keys <= 12; keys++) {
        snprintf(text, sizeof text, Tr("Keys:%d"), keys);
        texts[kKeyNum].push_back(text);
    }
    texts[kKeyConfig] = {Tr("Key Config")};
    texts[kShowKey] = {Tr("Normal"), Tr("Typing Mode")};
    texts[kAutoPlay] = {Tr("Self Play"), Tr("Auto Play")};
    const unsigned int devices = GetDevIDNum();
    for (unsigned int id = 0; id < devices; id++) {
        // The built-in synthesizer's name is translated; device names from ALSA stay as they are.
        texts[kDevice].push_back(Tr(GetDevName(id)));
    }
    for (const std::string &name : MidiKeyboard::DeviceNames()) {
        texts[kMidiIn].push_back(FormatText(Tr("MIDI In: %s"), Tr(name.c_str())));
    }
    for (int step = 1; step <= kSpeedSteps; step++) {
        snprintf(text, sizeof text, Tr("Speed:%d %%"), step * 10);
        texts[kSpeed].push_back(text);
    }
    // In the order of "scrollmode": 0 follows the tempo, 1 is constant.
    texts[kScroll] = {Tr("Scroll: follows tempo"), Tr("Scroll: constant speed")};
    texts[kTiming] = {Tr("Timing")};
    texts[kLanguage] = {Tr("Language: System"), Tr("Language: English"), Tr("Language: Japanese")};
    texts[kSaveCancel] = {Tr("save"), Tr("cancel")};

    for (int row = 0; row < kRowCount; row++) {
        rows[row] = new StringSelector(manager, this);
        if (!IsButtonRow(row)) {
            rows[row]->SetSelectChunk("select2");
        }
    }
    FillRows();

    rows[kWindowSize]->SetSelect(CurrentSizeEntry(kWindowSize));
    rows[kFullSize]->SetSelect(CurrentSizeEntry(kFullSize));
    rows[kScreenMode]->SetSelect(fullScreen ? 1 : 0);
    rows[kKeyNum]->SetSelect(settings.keyNum - 1);
    rows[kShowKey]->SetSelect(settings.showKey ? 1 : 0);
    rows[kAutoPlay]->SetSelect(settings.autoPlay ? 1 : 0);
    // A device that is gone is replaced by the built-in synthesizer when the output opens.
    rows[kDevice]->SetSelect(settings.deviceId < static_cast<int>(devices) ? settings.deviceId : 0);
    rows[kSpeed]->SetSelect(settings.speed / PlaySettings::kSpeedStep - 1);
    rows[kScroll]->SetSelect(settings.scrollMode);
    rows[kMidiIn]->SetSelect(midiIn);
    for (int entry = 1; entry < kLanguageEntries; entry++) {
        if (language == kLanguageSettings[entry]) {
            rows[kLanguage]->SetSelect(entry);
        }
    }

    notice = new NoticeText(manager, this);
    autoPlayHelp = new SpriteImage(manager, this);

    rows[kWindowSize]->visible = !fullScreen;
    rows[kFullSize]->visible = fullScreen;
    rows[kScreenMode]->PushChangedEvent(&OptionScene::SelectorChanged, this);

    focus = ShownSizeRow();
    FocusRows();
    Layout();
}

void OptionScene::FillRows()
{
    for (int row = 0; row < kRowCount; row++) {
        StringSelector *selector = rows[row];
        selector->Clear();
        for (const std::string &text : texts[row]) {
            selector->PushString(text);
        }
        if (!IsButtonRow(row)) {
            selector->SetLeftArrow("left_arrow");
            selector->SetRightArrow("right_arrow");
        }
    }
}

void OptionScene::Layout()
{
    const int w = manager->GetWidth();
    const int h = manager->GetHeight();
    if (autoPlayHelp != nullptr) {
        // What the two choices of the play row mean, along the bottom edge, shrunk to fit.
        ContentsManager *contents = manager->GetContentsManager();
        autoPlayHelp->LoadStringWithin(contents, Tr(kAutoPlayHelp), 0xFFFFFF80,
                                       contents->GetDefaultFontSize(), w - w / 50);
        const int height = autoPlayHelp->surface ? autoPlayHelp->sourceRect.h : 0;
        SDL_Rect at{static_cast<Sint16>(w / 100), static_cast<Sint16>(h - height - h / 100), 0, 0};
        autoPlayHelp->SetPosition(at);
    }
    for (int row = 0; row < kRowCount; row++) {
        const int y = row <= kFullSize ? h / (kRowCount + 1) : row * h / (kRowCount + 1);
        rows[row]->SetRect(SDL_Rect{static_cast<Sint16>(w / 4), static_cast<Sint16>(y),
                                    static_cast<Uint16>(w / 2), 0});
    }
}

void OptionScene::Reload()
{
    if (rows[0] == nullptr) {
        return;
    }
    // The content cache dropped every picture with the old screen: render the rows again.
    FillRows();
    Layout();
}

int OptionScene::ShownSizeRow()
{
    return rows[kScreenMode]->GetSelect() == 1 ? kFullSize : kWindowSize;
}

void OptionScene::FocusRows()
{
    for (int row = 0; row < kRowCount; row++) {
        rows[row]->active = row == focus;
    }
    if (autoPlayHelp != nullptr) {
        autoPlayHelp->visible = focus == kAutoPlay;
    }
}

void OptionScene::SelectorChanged(void *scene)
{
    OptionScene *self = static_cast<OptionScene *>(scene);
    const bool full = self->rows[kScreenMode]->GetSelect() != 0;
    self->rows[kWindowSize]->visible = !full;
    self->rows[kFullSize]->visible = full;
}

void OptionScene::Leave(Mix_Chunk *sound)
{
    Play(sound);
    leaving = true;
    manager->DeleteScene(this);
}

void OptionScene::Event(SDL_Event *event)
{
    // After asking for its deletion the scene takes no more input (a second request would
    // delete it twice).
    if (event->type != SDL_USEREVENT || leaving) {
        return;
    }
    switch (event->user.code) {
    case 2: // up
        if (focus == kFullSize) {
            focus = kSaveCancel;
        } else {
            focus = focus - 1 < 0 ? kSaveCancel : focus - 1;
            if (focus <= kFullSize) {
                focus = ShownSizeRow();
            }
        }
        FocusRows();
        Play(selectChunk);
        break;
    case 3: // down
        if (focus == kWindowSize) {
            focus = kScreenMode;
        } else {
            focus = (focus + 1) % kRowCount;
            if (focus <= kFullSize) {
                focus = ShownSizeRow();
            }
        }
        FocusRows();
        Play(selectChunk);
        break;
    case 4: // ok
        if (focus < kSaveCancel) {
            Play(selectChunk);
            if (focus == kKeyConfig) {
                manager->AddScene(new KeyConfigScene(manager), nullptr);
                visible = false;
            } else if (focus == kTiming) {
                manager->AddScene(new TimingScene(manager), nullptr);
                visible = false;
            } else {
                focus = kSaveCancel;
                FocusRows();
            }
        } else if (rows[kSaveCancel]->GetSelect() == 0) {
            Play(okChunk);
            // A failed save keeps the screen open with the notice: the player may make the
            // folder writable and save again, or cancel.
            if (Save()) {
                Leave(nullptr);
            }
        } else {
            Leave(cancelChunk);
        }
        break;
    case 5: // cancel
        Leave(cancelChunk);
        break;
    default:
        break;
    }
}

int OptionScene::CurrentSizeEntry(int row)
{
    const auto &entries = texts[row];
    const auto found = std::find(entries.begin(), entries.end(),
                                 SizeText(manager->GetWidth(), manager->GetHeight()));
    return found != entries.end() ? static_cast<int>(found - entries.begin()) : 0;
}

SDL_Rect OptionScene::ChosenSize(SDL_Rect **modes, int index)
{
    if (IsRealList(modes)) {
        for (int i = 0; modes[i] != nullptr; i++) {
            if (i == index) {
                return *modes[i];
            }
        }
        return *modes[0];
    }
    if (index < 0 || index >= static_cast<int>(fixedSizes.size())) {
        index = 0;
    }
    return fixedSizes[index];
}

bool OptionScene::Save()
{
    ConfigReaderWriter writer;
    writer.ownKey = IsSettingKey;
    writer.Open(Paths().ConfigFile());

    const bool full = rows[kScreenMode]->GetSelect() == 1;
    const int sizeRow = full ? kFullSize : kWindowSize;
    SDL_Rect **modes = full ? fullScreenModes : windowModes;
    const int sizeEntry = rows[sizeRow]->GetSelect();
    // The extra last entry is the screen in effect, which no mode index names: it is stored by
    // its width and height.
    const bool extra = extraSize[sizeRow] && sizeEntry == rows[sizeRow]->GetSize() - 1;
    const SDL_Rect size = extra ? SDL_Rect{0, 0, static_cast<Uint16>(manager->GetWidth()),
                                           static_cast<Uint16>(manager->GetHeight())}
                                : ChosenSize(modes, sizeEntry);
    const bool sizeDiffers = size.w != manager->GetWidth() || size.h != manager->GetHeight();
    writer.Write("fullscreen", full ? 1 : 0);
    // With a real mode list only a new size re-creates the screen; with the fixed sizes a
    // change between window and full screen does too.
    bool recreate = sizeDiffers;
    if (!IsRealList(modes) && manager->IsFullScreen() != full) {
        recreate = true;
    }
    if (recreate) {
        manager->CreateWindow(size.w, size.h, manager->GetBpp(), full ? SDL_FULLSCREEN : 0);
    }

    if (extra) {
        writer.Write("videomode", -1);
        writer.Write("width", size.w);
        writer.Write("height", size.h);
    } else {
        writer.Write("videomode", sizeEntry);
    }
    writer.Write("AutoPlay", rows[kAutoPlay]->GetSelect());
    writer.Write("keynum", rows[kKeyNum]->GetSelect() + 1);
    writer.Write("devid", rows[kDevice]->GetSelect());
    writer.Write("mididev", rows[kMidiIn]->GetSelect());
    writer.Write("speed", rows[kSpeed]->GetSelect() * 10 + 10);
    writer.Write("scrollmode", rows[kScroll]->GetSelect());
    writer.Write("showkey", rows[kShowKey]->GetSelect());
    const std::string language = kLanguageSettings[rows[kLanguage]->GetSelect()];
    if (language.empty()) {
        writer.Erase(LanguageChoice::kSettingKey);
    } else {
        writer.Write(LanguageChoice::kSettingKey, language);
    }
    if (!writer.Save()) {
        const int line = manager->GetContentsManager()->GetDefaultFontSize() + 8;
        notice->Show(SettingsSaveNotice(writer.path, writer.readProblem),
                     manager->GetHeight() - line);
        return false;
    }
    // The screens built from now on, and the title menu when it is shown again, use it.
    LanguageChoice::Apply(language);
    if (!writer.leftOut.empty()) {
        // Saved, but without entries the file held: the screen stays so the player reads what
        // went; saving again leaves.
        const int line = manager->GetContentsManager()->GetDefaultFontSize() + 8;
        notice->Show(LeftOutNotice(writer.path, writer.leftOut), manager->GetHeight() - line);
        return false;
    }
    return true;
}

const std::string &OptionScene::GetNotice() const
{
    return NoticeText::TextOf(notice);
}
