// SelectScene: building the song screen, the preview loop, the panel and starting a game.
#include "menus/SelectScene.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "config/ConfigReader.h"
#include "config/ConfigSyntax.h"
#include "config/PlaySettings.h"
#include "content/ContentsManager.h"
#include "devices/MidiOut.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/PracticeClock.h"
#include "game/Replay.h"
#include "game/ReplayCheck.h"
#include "game/ReplayStore.h"
#include "menus/HistoryPanel.h"
#include "menus/MidiImage.h"
#include "menus/MidiOutChoice.h"
#include "menus/MidiSelector.h"
#include "menus/SaveNotice.h"
#include "menus/SelectPanels.h"
#include "menus/SongLoader.h"
#include "platform/GamePaths.h"
#include "platform/MessageBox.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "song/PlayHistory.h"
#include "song/SongLibrary.h"
#include "text/MessageCatalog.h"
#include "widgets/AnimationMeter.h"
#include "widgets/NoticeText.h"
#include "widgets/RateImage.h"
#include "widgets/SpinSelector.h"
#include "widgets/SpriteImage.h"

namespace {

const Uint32 kWhite = 0xFFFFFFFF;
// The only device that gets the GS reset before use.
const char *const kGsSynthName = "Microsoft GS Wavetable Synth";
// Lead time before the first note of a game (ms).
const int kGameDelay = 2000;
// Places on the carousel around the chosen card; cards beyond them are hidden.
const int kCarouselSlots = 24;
// Shortest time between two renderings of a changing status line (ms).
const unsigned int kStatusInterval = 250;
// Longest search text (bytes).
const size_t kMaxQuery = 40;
// Starts a demo of the chosen song and part: the game plays it (F2).
const int kDemoKey = SDLK_F2;
const int kWatchKey = SDLK_v; // the chosen card's best game
// The help line about the search, outside it and while it is typed.
const char *const kSearchHelp = TrNoop("/ or Ctrl+F: search   Tab: order");
const char *const kSearchingHelp = TrNoop("Searching: Return keeps it, Escape clears it");

// 12345 as "12,345".
std::string Grouped(int value)
{
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<size_t>(at), ",");
    }
    return digits;
}

void Play(Mix_Chunk *chunk)
{
    if (chunk != nullptr) {
        Mix_PlayChannelTimed(-1, chunk, 0, -1);
    }
}

} // namespace

SelectScene::SelectScene(SceneManager *manager)
    : Scene(manager), loader(std::make_unique<SongLoader>())
{
}

SelectScene::~SelectScene()
{
    // The loader goes before the cards and the song it may be reading for.
    loader->Stop();
    CloseMidiOut();
    // The cards are deleted with the tree afterwards; each saves its changed records.
}

void SelectScene::Init(void *data)
{
    ContentsManager *contents = manager->GetContentsManager();
    const int w = manager->GetWidth();
    const int h = manager->GetHeight();

    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    const PlaySettings settings = PlaySettings::Read(config);
    std::string deviceProblem;
    deviceId = OpenMidiOutOrBuiltIn(settings.deviceId, deviceProblem);
    if (strcmp(GetDevName(static_cast<unsigned int>(deviceId)), kGsSynthName) == 0) {
        SendMSWavetableGSSynthResetGS();
    }

    selector = new MidiSelector(manager, this);
    SpinSelectorParameter parameter;
    parameter.position = SDL_Rect{static_cast<Sint16>(w / 2), static_cast<Sint16>(h / 2), 0, 0};
    parameter.radius = w;
    parameter.placement = 4; // resting spot left of the circle's centre
    selector->Init(&parameter);
    selector->SetSelectChunk("select");
    selector->maxSlots = kCarouselSlots;
    selector->repeatHeldKeys = true;

    keyIndex = settings.keyNum - 1;

    library = static_cast<SongLibrary *>(data);
    if (library != nullptr) {
        seenGeneration = library->GetGeneration();
    }
    BuildCards();

    speed = 100;
    instrument = 0;
    lastSelect = selector->GetSelect();
    // Init runs on the scene-change thread while the loading scene turns: the first card's
    // events are read here, so its preview starts with the screen.
    if (MidiImage *card = selector->GetSelectedCard()) {
        card->LoadEvents();
        loadCard = card->GetSerial();
        ++loadTicket;
        loadAnswered = true;
        NoteChangedSummary(card);
    }
    RestartPreview();

    okChunk = contents->GetAudio("ok");
    cancelChunk = contents->GetAudio("cancel");

    panels = SelectPanels::Build(manager, this, kSearchHelp);

    const Sint16 panel = static_cast<Sint16>(w / 100);
    // Status line right of the rate panel.
    status = new SpriteImage(manager, this);
    SDL_Rect statusAt{static_cast<Sint16>(panel + panels.rate->GetWidth() + w / 50), panel, 0, 0};
    status->SetPosition(statusAt);
    UpdateStatus(0);

    noticeTop = h / 100 + panels.rate->GetHeight() + h / 100;
    notice = new NoticeText(manager, this);
    deviceNotice = new NoticeText(manager, this);
    deviceNotice->Show(deviceProblem, noticeTop + contents->GetDefaultFontSize() + 4);
    songsHint = new NoticeText(manager, this);
    ShowSongsHint();
    // The chosen card's plays and scores between the notices and the meters.
    history = new HistoryPanel(manager, this);
    history->Place(
        SDL_Rect{panel, static_cast<Sint16>(noticeTop),
                 static_cast<Uint16>(std::max(0, panels.metersRight - panel)),
                 static_cast<Uint16>(std::max(0, panels.metersTop - h / 100 - noticeTop))},
        {notice, deviceNotice, songsHint});
    practiceLine = new SpriteImage(manager, this);
    ShowPractice();
    offsetLine.Init(manager, this, config, panels.metersRight, [this] { SaveChangedRecords(); });
}

void SelectScene::BuildCards()
{
    std::string keep;
    if (MidiImage *chosen = selector->GetSelectedCard()) {
        keep = chosen->name;
    }
    loadCard = 0;
    shown.clear();
    std::vector<MidiContainer *> songs;
    if (library != nullptr) {
        shown = SongOrder::Arrange(library->GetSongs(), query, order, keyIndex);
        for (int song : shown) {
            songs.push_back(library->GetSongs()[static_cast<size_t>(song)]);
        }
    }
    // The old cards go first (each saves its changed records); the new list stands still at once
    // instead of turning to the chosen card, and only the cards near it are made.
    selector->ShowSongs(std::move(songs), keyIndex, keep);
    lastSelect = -1;
}

void SelectScene::RefreshCards()
{
    // Cards made later copy their song as it is then.
    for (const auto &item : selector->GetMadeItems()) {
        MidiImage *card = static_cast<MidiImage *>(item.second);
        MidiContainer *source = card->GetSource();
        if (source != nullptr && !card->summary.indexed && source->summary.indexed) {
            card->Set(source, keyIndex, "frame", "bg");
        }
    }
}

void SelectScene::ShowSongsHint()
{
    if (songsHint == nullptr || library == nullptr) {
        return;
    }
    // Called every frame: the texts are formatted only when what they say has changed.
    if (library->GetFolderProblems().size() == hintFolderProblems &&
        library->GetIndexProblem() == hintIndexProblem &&
        library->GetOwnSongCount() == hintOwnSongs) {
        return;
    }
    hintFolderProblems = library->GetFolderProblems().size();
    hintIndexProblem = library->GetIndexProblem();
    hintOwnSongs = library->GetOwnSongCount();
    // A folder that listed nothing, or an index not saved, comes before the hint: the player
    // who named a folder would otherwise take it for an empty one.
    std::string text = SongFolderNotice(library->GetFolderProblems(), library->GetIndexProblem());
    if (text.empty() && library->GetOwnSongCount() == 0) {
        text = FormatText(Tr("Put your own songs (.mid files) into %s"),
                          Paths().ShownPath(Paths().PlayerSongFolder()).c_str());
    }
    if (text != songsHint->GetText()) {
        songsHint->Show(text,
                        noticeTop + 2 * (manager->GetContentsManager()->GetDefaultFontSize() + 4));
    }
}

void SelectScene::UpdateStatus(unsigned int now)
{
    ShowSongsHint();
    if (status == nullptr) {
        return;
    }
    std::string text;
    const int total = library != nullptr ? static_cast<int>(library->GetSongs().size()) : 0;
    if (library != nullptr && library->IsReading()) {
        text = FormatText(Tr("Reading songs %s / %s"), Grouped(library->GetReadCount()).c_str(),
                          Grouped(library->GetToRead()).c_str()) +
               "   ";
    }
    if (!query.empty()) {
        text +=
            FormatText(Tr("Search: %s   %s / %s"), query.c_str(),
                       Grouped(static_cast<int>(shown.size())).c_str(), Grouped(total).c_str()) +
            "   ";
    }
    text += FormatText(Tr("Order: %s"), Tr(SongOrder::Name(order)));
    if (text == statusText) {
        return;
    }
    // Progress changes every few ms while songs are read; a few renderings a second do.
    // The progress line starts with the (translated) words before its first number.
    const std::string reading = Tr("Reading songs %s / %s");
    const std::string readingStart = reading.substr(0, reading.find('%'));
    if (now - statusTime < kStatusInterval && library != nullptr && library->IsReading() &&
        statusText.rfind(readingStart, 0) == 0 && text.rfind(readingStart, 0) == 0 && !rebuild) {
        return;
    }
    statusText = text;
    statusTime = now;
    status->LoadStringWithin(manager->GetContentsManager(), statusText, kWhite,
                             manager->GetContentsManager()->GetDefaultFontSize(),
                             manager->GetWidth() * 99 / 100 - status->position.x);
}

void SelectScene::SetSearching(bool on)
{
    searching = on;
    if (panels.searchHelp != nullptr) {
        ContentsManager *contents = manager->GetContentsManager();
        panels.searchHelp->LoadString(contents, Tr(on ? kSearchingHelp : kSearchHelp),
                                      on ? 0x00FFFF80 : kWhite, contents->GetDefaultFontSize());
    }
}

void SelectScene::KeyTyped(int key)
{
    if (!searching) {
        // Outside a search only Tab (the order) is a key of the search's.
        if (key == SDLK_TAB) {
            order = SongOrder::Next(order);
            rebuild = true;
        }
        return;
    }
    if ((key >= 'a' && key <= 'z') || (key >= '0' && key <= '9') || key == ' ' || key == '-' ||
        key == '_' || key == '.') {
        if (query.size() < kMaxQuery) {
            query += static_cast<char>(key);
            rebuild = true;
        }
    } else if (key == SDLK_BACKSPACE) {
        if (!query.empty()) {
            query.pop_back();
            rebuild = true;
        }
    } else if (key == SDLK_TAB) {
        order = SongOrder::Next(order);
        rebuild = true;
    }
}

void SelectScene::ShowPractice()
{
    char text[96];
    std::snprintf(text, sizeof text, Tr("Tempo %d %%  Wait mode %s  (- + W)"), practiceTempo,
                  waitMode ? Tr("on") : Tr("off"));
    ContentsManager *contents = manager->GetContentsManager();
    // Under the chosen card (two text lines and digits below the centre); moved left on a narrow
    // screen but not over the meters, in smaller letters if it still runs off it.
    const int w = manager->GetWidth(), h = manager->GetHeight();
    practiceLine->LoadStringWithin(
        contents, text, practiceTempo != 100 || waitMode ? 0x00FFFF80 : kWhite,
        contents->GetDefaultFontSize(), w - panels.metersRight - w / 100);
    const int width = practiceLine->surface ? practiceLine->sourceRect.w : 0;
    const SDL_Surface *line = contents->GetString("0"); // as tall as a line of the card
    const int cardBottom =
        h / 2 + 2 * (line ? line->h : 0) + manager->GetNumWriter()->GetHeight() + 20;
    // It and the song's offset line under it end above the help lines where they can, the
    // card's margin (10 pixels) given up first.
    const int lines = 2 * (practiceLine->surface ? practiceLine->sourceRect.h : 0);
    const int top = std::min(std::max(h / 2 + h / 6, cardBottom),
                             std::max(cardBottom - 10, panels.searchHelp->position.y - lines));
    SDL_Rect at{
        static_cast<Sint16>(std::max(panels.metersRight, std::min(w / 2, w - width - w / 100))),
        static_cast<Sint16>(top), 0, 0};
    practiceLine->SetPosition(at);
}

bool SelectScene::PracticeKey(int key)
{
    switch (key) {
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        practiceTempo =
            std::max(PracticeClock::MIN_TEMPO, practiceTempo - PracticeClock::TEMPO_STEP);
        break;
    case SDLK_EQUALS:
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
        practiceTempo =
            std::min(PracticeClock::MAX_TEMPO, practiceTempo + PracticeClock::TEMPO_STEP);
        break;
    case SDLK_w:
        waitMode = !waitMode;
        break;
    default:
        return false;
    }
    ShowPractice();
    return true;
}

void SelectScene::RestartPreview()
{
    // Only the chosen song holds its events (they go when another song is chosen). A song
    // without them is read on the loader, once per choice; a song that cannot be read stays
    // silent until it is chosen again.
    MidiImage *card = selector ? selector->GetSelectedCard() : nullptr;
    StopPreview();
    pacer.StartPass(beforeTime);
    if (card == nullptr) {
        loader->Cancel();
        loadCard = 0;
        return;
    }
    if (card->midi == nullptr && card->GetSerial() != loadCard) {
        loadCard = card->GetSerial();
        ++loadTicket;
        loadAnswered = false;
        loader->Request(loadTicket, card->path, card->name);
    }
    if (card->midi == nullptr || card->GetPositions().empty()) {
        return;
    }
    previewSong = card->midi;
    // Sending the song's Set Tempo events changed its tempo; start again at the song's own.
    previewSong->tempo = card->startTempo;
    preview.Reset(card->GetPositions(), -1, previewSong);
}

void SelectScene::StopPreview()
{
    // The table goes with the card's events; the preview lets go of it at once.
    preview.Reset(KeyPositionTable(), -1, nullptr);
    previewSong = nullptr;
    previewAt = 0;
}

void SelectScene::NoteChangedSummary(MidiImage *card)
{
    if (!card->summaryChanged) {
        return;
    }
    card->summaryChanged = false;
    card->InvalidateImages();
    if (library != nullptr) {
        library->Update(card->summary);
        seenGeneration = library->GetGeneration();
    }
}

void SelectScene::TakeLoadedSong()
{
    uint64_t ticket = 0;
    SongEvents events;
    if (!loader->Take(ticket, events)) {
        return;
    }
    // A read for a card that is no longer chosen (or no longer there) is dropped here.
    if (IsLoading() && ticket == loadTicket) {
        ApplyLoaded(std::move(events));
    }
}

void SelectScene::ApplyLoaded(SongEvents &&events)
{
    MidiImage *card = selector->GetSelectedCard(); // loadCard: see IsLoading
    card->TakeEvents(std::move(events));
    loadAnswered = true;
    NoteChangedSummary(card);
    // The levels and parts may differ from the summary's; the preview starts now.
    UpdatePanel(true, false);
}

bool SelectScene::IsLoading() const
{
    MidiImage *card = selector != nullptr ? selector->GetSelectedCard() : nullptr;
    return card != nullptr && card->GetSerial() == loadCard && !loadAnswered;
}

void SelectScene::FinishLoading()
{
    if (!IsLoading()) {
        return;
    }
    uint64_t ticket = 0;
    SongEvents events;
    if (loader->Wait(ticket, events) && ticket == loadTicket) {
        ApplyLoaded(std::move(events));
    }
}

void SelectScene::UpdatePanel(bool always, bool resetFirst)
{
    MidiImage *card = selector ? selector->GetSelectedCard() : nullptr;
    if (card == nullptr) {
        StopPreview();
        panels.rate->SetRate(-1);
        panels.density->SetTargetValue(0);
        panels.tempo->SetTargetValue(0);
        panels.length->SetTargetValue(0);
        if (history != nullptr)
            history->ShowFor("", 0, 0, false);
        ShowNotice();
        return;
    }
    if (always || selector->GetSelect() != lastSelect) {
        // Read the song before its levels are shown: they may have changed on disk.
        RestartPreview();
    }
    instrument = selector->GetInstrument();
    if (history != nullptr)
        history->ShowFor(PlayHistory::PathBeside(card->GetScorePath()), instrument, keyIndex + 1,
                         always);
    const int *rate = card->GetHighRateCell(keyIndex, instrument);
    panels.rate->SetRate(rate ? *rate : -1);
    panels.density->SetTargetValue(card->GetDensity(instrument));

    if (!always && selector->GetSelect() == lastSelect) {
        return;
    }
    lastSelect = selector->GetSelect();
    ShowNotice();
    panels.tempo->SetTargetValue(card->GetTempoLevel());
    panels.length->SetTargetValue(card->GetLengthLevel());
    if (resetFirst) {
        SendResetMessage();
        SendStopEvent();
    } else {
        SendStopEvent();
        SendResetMessage();
    }
    RestartPreview();
}

void SelectScene::Idle(unsigned int now)
{
    TakeLoadedSong();
    if (library != nullptr) {
        library->Poll();
        if (library->GetGeneration() != seenGeneration) {
            seenGeneration = library->GetGeneration();
            RefreshCards();
        }
    }
    if (rebuild) {
        SendStopEvent();
        BuildCards();
        UpdatePanel(true, false);
        rebuild = false;
    }
    UpdateStatus(now);
    // A newly chosen card (held keys repeat in the carousel's Idle) moves the preview first.
    if (selector != nullptr && selector->GetSelect() != lastSelect)
        UpdatePanel(false, false);
    previewAt += static_cast<double>(now - beforeTime);
    pacer.StartTurn();
    for (const KeyPosition *next = preview.GetNext(); previewSong != nullptr && next != nullptr;
         next = preview.GetNext()) {
        if (next->time > previewAt) {
            break;
        }
        preview.SendNext();
        const bool turnLeft = pacer.CountEvent();
        if (preview.GetNext() == nullptr) {
            // End of the song: silence it and loop, no sooner than the pacer allows.
            SendStopEvent();
            const double extra = pacer.ExtraWait(now);
            RestartPreview();
            previewAt -= extra;
            pacer.StartPass(now + extra);
            break;
        }
        if (!turnLeft) {
            break;
        }
    }
    if (selector != nullptr && selector->GetChanged()) {
        UpdatePanel(false, false);
    }
    offsetLine.Idle(now, selector, practiceLine, !searching);
    // A flood (the preview's or the last play's) the device could not keep up with: told once,
    // on the device's line, since stderr goes unseen.
    if (!toldDropped && GetMidiOutDropped() > 0) {
        toldDropped = true;
        const std::string &device = deviceNotice->GetText();
        const std::string dropped = Tr("Too many notes at once: some were left out");
        deviceNotice->Show(device.empty() ? dropped : device + "  " + dropped,
                           noticeTop + manager->GetContentsManager()->GetDefaultFontSize() + 4);
    }
}

void SelectScene::OnShowEvent()
{
    UpdatePanel(true, true);
    SaveChangedRecords();
}

void SelectScene::SaveChangedRecords()
{
    // Back from a game: a new record is written now rather than only when the screen closes,
    // so that a failure can be told while the player is still here.
    failedSave.clear();
    if (selector != nullptr)
        selector->SaveChangedRecords(
            [this](MidiContainer &song, bool saved) { // also songs not shown
                if (!saved && failedSave.empty()) {
                    failedSave = song.GetScorePath();
                }
                if (!song.leftOutKeys.empty()) {
                    leftOut = LeftOutNotice(song.GetScorePath(), song.leftOutKeys);
                    song.leftOutKeys.clear();
                }
            });
    ShowNotice();
}

void SelectScene::ShowNotice()
{
    if (notice == nullptr) {
        return;
    }
    if (!failedSave.empty()) {
        notice->Show(ScoreSaveNotice(failedSave), noticeTop);
        return;
    }
    // Until the player moves on.
    if (!leftOut.empty()) {
        notice->Show(leftOut, noticeTop);
        leftOut.clear();
        return;
    }
    // The chosen song's records show as none when its score file is there but cannot be read
    // (a FIFO, a link to a device, too large): the player is told, so that the zeros are not
    // taken for the truth. The file is looked at again, so a file put right meanwhile is no
    // longer reported.
    MidiImage *card = selector != nullptr ? selector->GetSelectedCard() : nullptr;
    std::string scores;
    std::string problem;
    if (card != nullptr) {
        ReadWholeFile(card->GetScorePath(), scores, &problem);
    }
    notice->Show(problem.empty() ? "" : ScoreReadNotice(card->GetScorePath(), problem), noticeTop);
}

void SelectScene::WatchBest()
{
    selector->FinishTurn();
    FinishLoading();
    MidiImage *card = selector->GetSelectedCard();
    if (card == nullptr || card->midi == nullptr || !notice)
        return;
    auto replay = std::make_shared<Replay>();
    std::string reason;
    const std::string path =
        ReplayStore::BestPath(card->GetScorePath(), card->GetPart(), keyIndex + 1);
    const bool kept = replay->Read(path, reason);
    if (kept && ReplayCheck::SameSong(*replay, card->path, reason))
        return StartGame(false, replay);
    // A damaged file is not taken for a missing one: the player is told why it cannot play,
    // and which file it is.
    std::string why = Tr("The song has changed since its best game was played");
    if (!kept && reason == Replay::MISSING) {
        why = Tr("No replay of this song, part and number of keys yet");
    } else if (!kept) {
        ShowWarning(path, "the best game's replay cannot be read: " + reason);
        why = FormatText(Tr("The best game's replay %s cannot be read: %s"),
                         Paths().ShownPath(path).c_str(), reason.c_str());
    }
    notice->Show(why, noticeTop);
}

void SelectScene::StartGame(bool demo, std::shared_ptr<const Replay> replay)
{
    // The chosen card is played (the one the panel and the preview are about); a turn
    // still on its way ends at once, so that it is the card in the middle.
    selector->FinishTurn();
    // A song still being read is waited for: the game needs its events.
    FinishLoading();
    MidiImage *card = selector->GetSelectedCard();
    // A song that could not be read has nothing to play.
    if (card == nullptr || card->midi == nullptr)
        return;
    SendStopEvent();

    GameSceneParameter *parameter = new GameSceneParameter();
    parameter->TakeSong(*card);
    parameter->part = card->GetPart();
    parameter->highScore = card->GetHighScoreCell(keyIndex, parameter->part);
    parameter->highRate = card->GetHighRateCell(keyIndex, parameter->part);
    parameter->songOffset = &card->songOffset;
    parameter->delay = kGameDelay;
    parameter->speed = speed;
    if (library != nullptr && !demo && !replay)
        library->MarkPlayed(card->name, static_cast<int64_t>(std::time(nullptr)));
    parameter->tempo = practiceTempo;
    parameter->waitMode = waitMode;
    parameter->demo = demo;
    // The song's own title, else its file name, as the song list shows it.
    parameter->title = card->summary.title.empty() ? card->name : card->summary.title;
    // Where the song and its records are, for the game's replay.
    parameter->songPath = card->path;
    parameter->songName = card->name;
    parameter->scorePath = card->GetScorePath();
    parameter->historyPath = demo || replay ? "" : PlayHistory::PathBeside(card->GetScorePath());
    parameter->replay = replay;

    fprintf(stderr, "addscene\n");
    manager->AddScene(new GameScene(manager), parameter);
    visible = false;
    RestartPreview();
    Play(okChunk);
}

void SelectScene::Event(SDL_Event *event)
{
    // Once cancel asked for the deletion, an ok in the same poll must not start a game: its
    // record would point into cards that go with this scene, and the MIDI output closes.
    if (selector == nullptr || leaving)
        return;
    if (event->type == SDL_KEYDOWN) {
        // A search starts with a key of its own and takes every typed key until ok or cancel
        // ends it; the practice keys work only outside it. Other letters outside a search
        // (lane keys pressed after a game, say) do nothing.
        const int key = event->key.keysym.sym;
        const bool ctrl = (event->key.keysym.mod & KMOD_CTRL) != 0;
        if (!searching && (key == SDLK_SLASH || key == SDLK_KP_DIVIDE || (ctrl && key == SDLK_f))) {
            SetSearching(true);
            return;
        }
        if (!searching && (PracticeKey(key) || offsetLine.Key(key, selector->GetSelectedCard()))) {
            return;
        }
        if (!searching && key == kDemoKey)
            return StartGame(true);
        if (!searching && key == kWatchKey)
            return WatchBest();
        KeyTyped(key);
        return;
    }
    if (event->type != SDL_USEREVENT)
        return;
    // While a search is typed, ok keeps it and cancel clears it; both end it.
    if (searching && (event->user.code == 4 || event->user.code == 5)) {
        if (event->user.code == 5 && !query.empty()) {
            query.clear();
            rebuild = true;
        }
        SetSearching(false);
        Play(event->user.code == 4 ? okChunk : cancelChunk);
        return;
    }
    switch (event->user.code) {
    case 4: // ok
        StartGame(false);
        break;
    case 5: // cancel
        // A search is cleared first; cancel on the whole list leaves.
        if (!query.empty()) {
            query.clear();
            rebuild = true;
            Play(cancelChunk);
            break;
        }
        SendStopEvent();
        leaving = true;
        manager->DeleteScene(this);
        Play(cancelChunk);
        break;
    default:
        break;
    }
}
