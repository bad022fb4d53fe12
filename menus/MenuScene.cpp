// MenuScene: key bindings, song loading, and the title menu's entries.
#include "menus/MenuScene.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>

#include "config/ConfigReader.h"
#include "devices/MidiOut.h"
#include "framework/KeyAssign.h"
#include "framework/KeyMapper.h"
#include "framework/LanguageChoice.h"
#include "framework/SceneManager.h"
#include "menus/MidiImage.h"
#include "menus/OptionScene.h"
#include "menus/SaveNotice.h"
#include "menus/SelectScene.h"
#include "platform/CommandLine.h"
#include "platform/GamePaths.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "song/SongLibrary.h"
#include "text/MessageCatalog.h"
#include "widgets/NoticeText.h"
#include "widgets/SpriteImage.h"
#include "widgets/StringSelector.h"

namespace {

const Uint32 kWhite = 0xFFFFFFFF;

enum MenuEntry
{
    kGame = 0,
    kOption = 1,
    kExit = 2
};

} // namespace

MenuScene::MenuScene(SceneManager *manager) : Scene(manager)
{
    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    KeyMapper mapper;

    // Each menu key: its configured name, defaulting to the name of its fixed key.
    struct Binding
    {
        const char *key;
        int defaultKey;
        void (SceneManager::*set)(KeyAssign &);
    };
    const Binding bindings[] = {
        {"left", SDLK_LEFT, &SceneManager::SetLeft},
        {"right", SDLK_RIGHT, &SceneManager::SetRight},
        {"up", SDLK_UP, &SceneManager::SetUp},
        {"down", SDLK_DOWN, &SceneManager::SetDown},
        {"ok", SDLK_RETURN, &SceneManager::SetOk},
        {"cancel", SDLK_ESCAPE, &SceneManager::SetCancel},
    };
    for (const Binding &binding : bindings) {
        KeyAssign fixed;
        fixed.AssignKey(binding.defaultKey);
        std::string value;
        config.GetString(value, binding.key, mapper.GetName(fixed));
        KeyAssign assigned = mapper.GetID(value);
        (manager->*binding.set)(assigned);
    }
}

MenuScene::~MenuScene()
{
    // Records whose save failed earlier get a last try before the program ends.
    for (MidiContainer *song : GetSongs()) {
        if (song->IsChanged() && !song->Save()) {
            std::fprintf(stderr, "keyrise: %s\n", ScoreSaveNotice(song->GetScorePath()).c_str());
        }
    }
    // Cards of a song selection that outlives this scene must not write into its songs.
    if (library) {
        MidiImage::ForgetAllSources();
    }
    // The library's readers are stopped and joined before anything they use goes; the songs'
    // parsed files live in the MIDI library's heap and go with it, after the songs.
    library.reset();
    ReleaseMidiLib();
}

std::vector<MidiContainer *> &MenuScene::GetSongs()
{
    static std::vector<MidiContainer *> none;
    return library ? library->GetSongs() : none;
}

void MenuScene::Idle(unsigned int)
{
    if (library) {
        library->Poll();
    }
}

void MenuScene::Init(void *)
{
    // Before any song is read: the songs' parsed files live in the library's heap.
    InitMidiLib();

    logo = new SpriteImage(manager, this);
    menu = new StringSelector(manager, this);
    menu->SetSelectChunk("select");
    okChunk = manager->GetContentsManager()->GetAudio("ok");
    audioNotice = new NoticeText(manager, this);
    scoreNotice = new NoticeText(manager, this);
    languageNotice = new NoticeText(manager, this);
    settingsNotice = new NoticeText(manager, this);
    versionText = new SpriteImage(manager, this);
    Layout();

    LoadInstrumentsImage();
    PickUpMidi();
}

void MenuScene::Layout()
{
    ContentsManager *contents = manager->GetContentsManager();
    const int w = manager->GetWidth();
    const int h = manager->GetHeight();

    logo->LoadImageWH(contents, "logo", w / 2, h / 2);
    SDL_Rect logoAt{static_cast<Sint16>(w / 4), static_cast<Sint16>(h / 8), 0, 0};
    logo->SetPosition(logoAt);

    menu->Clear();
    menu->PushString(Tr("Game"));
    menu->PushString(Tr("Option"));
    menu->PushString(Tr("Exit"));
    menu->SetLeftArrow("left_arrow");
    menu->SetRightArrow("right_arrow");
    SDL_Rect rect{static_cast<Sint16>(w / 4), static_cast<Sint16>(3 * h / 4),
                  static_cast<Uint16>(w / 2), 0};
    menu->SetRect(rect);

    // The version in the bottom right corner, small and grey, above nothing else.
    const int versionSize = std::max(10, contents->GetDefaultFontSize() * 2 / 3);
    versionText->LoadStringWithin(contents, std::string("v") + CommandLine::Version(), 0xFF909090,
                                  versionSize, w / 4);
    SDL_Rect versionAt{static_cast<Sint16>(w - versionText->sourceRect.w - 4),
                       static_cast<Sint16>(h - versionText->sourceRect.h - 2), 0, 0};
    versionText->SetPosition(versionAt);

    const int line = contents->GetDefaultFontSize() + 4;
    const std::string &audioProblem = manager->GetAudioProblem();
    audioNotice->Show(audioProblem.empty() ? ""
                                           : FormatText(Tr("No sound: %s"), audioProblem.c_str()),
                      h - 2 * line);
    scoreNotice->Show(scoreNotice->GetText(), h - line);
    // A language whose texts are missing (nothing when all is well).
    languageNotice->Show(LanguageChoice::GetProblem(), h - 3 * line);
    // A settings file that is there but cannot be read leaves every screen on its defaults;
    // read again here, so that a file put right meanwhile is no longer reported. Told at the
    // top, above the logo: lines stacked higher at the bottom would reach the menu on a small
    // screen.
    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    settingsNotice->Show(config.readProblem.empty()
                             ? ""
                             : SettingsReadNotice(Paths().ConfigFile(), config.readProblem),
                         h / 100);
}

void MenuScene::Reload()
{
    if (menu == nullptr) {
        return;
    }
    Layout();
    LoadInstrumentsImage();
    for (MidiContainer *song : GetSongs()) {
        song->ReLoadImage(manager, instrumentImages);
    }
}

void MenuScene::OnShowEvent()
{
    if (menu == nullptr) {
        return;
    }
    // The options may have changed the language (or found its texts missing).
    Layout();
    if (language != LanguageChoice::Current()) {
        LoadInstrumentsImage();
    }
    // Back from the song selection: records it could not write are still pending.
    std::string pending;
    for (MidiContainer *song : GetSongs()) {
        if (song->IsChanged()) {
            pending = song->GetScorePath();
            break;
        }
    }
    const int line = manager->GetContentsManager()->GetDefaultFontSize() + 4;
    scoreNotice->Show(pending.empty() ? "" : ScoreSaveNotice(pending), manager->GetHeight() - line);
}

void MenuScene::LoadInstrumentsImage()
{
    ContentsManager *contents = manager->GetContentsManager();
    for (int index = 0; index < kPartNameCount; index++) {
        instrumentImages[index].LoadString(contents, Tr(GetPartName(index)), kWhite);
    }
    language = LanguageChoice::Current();
}

void MenuScene::PickUpMidi()
{
    library = std::make_unique<SongLibrary>(Paths().SongFolders(), Paths().SongIndexFile(),
                                            Paths().ScoreFolder());
    library->Open(manager, instrumentImages);
    if (library->GetSongs().empty()) {
        fprintf(stderr, "No MIDI Files.\n");
    }
}

const std::string &MenuScene::GetAudioNotice() const
{
    return NoticeText::TextOf(audioNotice);
}

const std::string &MenuScene::GetScoreNotice() const
{
    return NoticeText::TextOf(scoreNotice);
}

const std::string &MenuScene::GetSettingsNotice() const
{
    return NoticeText::TextOf(settingsNotice);
}

int MenuScene::GetSelect()
{
    return menu ? menu->GetSelect() : 0;
}

void MenuScene::Input(unsigned int)
{
    if (menu == nullptr || !manager->IsOk()) {
        return;
    }
    switch (menu->GetSelect()) {
    case kGame:
        // The song selection needs at least one song; without any the menu stays.
        if (GetSongs().empty()) {
            return;
        }
        manager->AddScene(new SelectScene(manager), library.get());
        visible = false;
        break;
    case kOption:
        manager->AddScene(new OptionScene(manager), nullptr);
        visible = false;
        break;
    case kExit:
        manager->Quit();
        return;
    default:
        return;
    }
    if (okChunk != nullptr) {
        Mix_PlayChannelTimed(-1, okChunk, 0, -1);
    }
}
