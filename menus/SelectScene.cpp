// SelectScene: building the song screen, the preview loop, the panel and starting a game.
#include "menus/SelectScene.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/ConfigReader.h"
#include "config/PlaySettings.h"
#include "content/AnimationMeter.h"
#include "content/ContentsManager.h"
#include "content/FrameImage.h"
#include "content/NoticeText.h"
#include "content/RateImage.h"
#include "content/SpinSelector.h"
#include "content/SpriteImage.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/PracticeClock.h"
#include "menus/SaveNotice.h"
#include "midi/MidiContainer.h"
#include "midi/MidiImage.h"
#include "midi/MidiSelector.h"
#include "midi/ReadMidi.h"

namespace {

const Uint32 kWhite = 0xFFFFFFFF;
// The only device that gets the GS reset before use.
const char *const kGsSynthName = "Microsoft GS Wavetable Synth";
// A song's tempo before its first Set Tempo event (us per quarter note, 120 bpm).
const uint32_t kInitialTempo = 500000;
// Lead time before the first note of a game (ms).
const int kGameDelay = 2000;

// The tempo a song starts with: that of its Set Tempo events at tick 0, else 120 bpm.
uint32_t StartTempo(MidiEvent *event)
{
    uint32_t tempo = kInitialTempo;
    for (; event != nullptr && event->delta == 0; event = event->next) {
        if (event->status == 0xFF && event->metaType == 0x51 && event->length >= 3) {
            tempo = static_cast<uint32_t>(event->data[0]) << 16 |
                    static_cast<uint32_t>(event->data[1]) << 8 | event->data[2];
        }
    }
    return tempo;
}

void Play(Mix_Chunk *chunk)
{
    if (chunk != nullptr) {
        Mix_PlayChannelTimed(-1, chunk, 0, -1);
    }
}

} // namespace

SelectScene::SelectScene(SceneManager *manager) : Scene(manager) {}

SelectScene::~SelectScene()
{
    CloseMidiOut();
    // The cards are deleted with the tree afterwards; each saves its changed records.
}

void SelectScene::Init(void *data)
{
    ContentsManager *contents = manager->GetContentsManager();
    const int w = manager->GetWidth();
    const int h = manager->GetHeight();

    ConfigReader config;
    config.ReadFile("config");
    const PlaySettings settings = PlaySettings::Read(config);
    deviceId = settings.deviceId;
    // A stored device that is gone (an external synthesizer unplugged) or does not open gives
    // way to the built-in synthesizer rather than to silence.
    std::string deviceProblem;
    if (static_cast<unsigned int>(deviceId) >= GetDevIDNum() ||
        OpenMidiOut(static_cast<unsigned int>(deviceId)) != 0) {
        deviceProblem = "MIDI output " + std::to_string(deviceId) +
                        " is not available; playing through the built-in synthesizer";
        deviceId = 0;
        OpenMidiOut(0);
    }
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

    keyIndex = settings.keyNum - 1;

    const auto *songs = static_cast<const std::vector<MidiContainer *> *>(data);
    if (songs != nullptr) {
        for (MidiContainer *song : *songs) {
            MidiImage *card = new MidiImage(manager, selector->GetSelectionParent());
            card->Set(song, keyIndex, "frame", "bg");
            card->SetSelectChunk(contents, "select2");
        }
    }

    speed = 100;
    instrument = 0;
    lastSelect = selector->GetSelect();
    RestartPreview();

    okChunk = contents->GetAudio("ok");
    cancelChunk = contents->GetAudio("cancel");

    // Rate panel: background, rate and frame at one spot, the frame drawn last.
    const Sint16 panel = static_cast<Sint16>(w / 100);
    SDL_Rect panelAt{panel, panel, 0, 0};
    SpriteImage *panelBackground = new SpriteImage(manager, this);
    rateImage = new RateImage(manager, this);
    FrameImage *panelFrame = new FrameImage(manager, this);
    panelBackground->LoadImage(contents, "bg2", rateImage->GetWidth(), rateImage->GetHeight());
    rateImage->SetRate(-1);
    panelFrame->LoadFrameImage("frame", rateImage->GetWidth(), rateImage->GetHeight());
    panelBackground->SetPosition(panelAt);
    rateImage->SetPosition(panelAt);
    panelFrame->SetPosition(panelAt);

    // Meters side by side from the left edge at half height.
    struct MeterSpec
    {
        AnimationMeter **meter;
        const char *image;
        const char *caption;
    };
    const MeterSpec meters[] = {
        {&densityMeter, "okMeter", "密度"},
        {&tempoMeter, "goodMeter", "テンポ"},
        {&lengthMeter, "badMeter", "長さ"},
    };
    int x = w / 100;
    for (const MeterSpec &spec : meters) {
        AnimationMeter *meter = new AnimationMeter(manager, this);
        meter->LoadImage(contents, spec.image, w / 10, h / 4);
        // An empty bar until the first level arrives (a fresh image would show whole).
        meter->SetValue(0);
        SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(h / 2), 0, 0};
        meter->SetPosition(at);
        meter->SetCaption(spec.caption, kWhite, -1);
        meter->SetSpeed(0.1);
        x += meter->GetWidth();
        *spec.meter = meter;
    }

    // Help lines at the bottom left.
    const int fontSize = contents->GetDefaultFontSize();
    SpriteImage *songHelp = new SpriteImage(manager, this);
    songHelp->LoadString(contents, "←→ 曲選択", kWhite, fontSize);
    int y = h - (songHelp->surface ? songHelp->sourceRect.h : 0);
    SDL_Rect songHelpAt{0, static_cast<Sint16>(y), 0, 0};
    songHelp->SetPosition(songHelpAt);
    SpriteImage *partHelp = new SpriteImage(manager, this);
    partHelp->LoadString(contents, "↑↓ 楽器選択", kWhite, fontSize);
    y -= partHelp->surface ? partHelp->sourceRect.h : 0;
    SDL_Rect partHelpAt{0, static_cast<Sint16>(y), 0, 0};
    partHelp->SetPosition(partHelpAt);

    noticeTop = h / 100 + rateImage->GetHeight() + h / 100;
    notice = new NoticeText(manager, this);
    deviceNotice = new NoticeText(manager, this);
    deviceNotice->Show(deviceProblem, noticeTop + contents->GetDefaultFontSize() + 4);
    practiceLine = new SpriteImage(manager, this);
    ShowPractice();
}

void SelectScene::ShowPractice()
{
    char text[96];
    std::snprintf(text, sizeof text, "Tempo %d %%  Wait mode %s  (- + W)", practiceTempo,
                  waitMode ? "on" : "off");
    ContentsManager *contents = manager->GetContentsManager();
    practiceLine->LoadString(contents, text, practiceTempo != 100 || waitMode ? 0x00FFFF80 : kWhite,
                             contents->GetDefaultFontSize());
    // Under the chosen card, which rests at the screen's centre; moved left when the screen is
    // too narrow for it.
    const int w = manager->GetWidth();
    const int width = practiceLine->surface ? practiceLine->sourceRect.w : 0;
    SDL_Rect at{static_cast<Sint16>(std::max(0, std::min(w / 2, w - width - w / 100))),
                static_cast<Sint16>(manager->GetHeight() / 2 + manager->GetHeight() / 6), 0, 0};
    practiceLine->SetPosition(at);
}

void SelectScene::PracticeKey(int key)
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
        return;
    }
    ShowPractice();
}

void SelectScene::RestartPreview()
{
    previewSong = selector ? selector->GetMid() : nullptr;
    previewEvent = selector ? selector->GetFirstEvent() : nullptr;
    previewWait = 0;
    if (previewSong == nullptr || previewEvent == nullptr) {
        previewEvent = nullptr;
        return;
    }
    // Sending the song's Set Tempo events changed its tempo; start again at the song's own.
    previewSong->tempo = StartTempo(previewEvent);
    previewWait = static_cast<double>(GetDeltaMilliSecond(previewEvent, previewSong));
}

void SelectScene::UpdatePanel(bool always, bool resetFirst)
{
    MidiImage *card = selector ? selector->GetSelectedCard() : nullptr;
    if (card == nullptr) {
        return;
    }
    instrument = selector->GetInstrument();
    const int *rate = card->GetHighRateCell(keyIndex, instrument);
    rateImage->SetRate(rate ? *rate : -1);
    densityMeter->SetTargetValue(card->GetDensity(instrument));

    if (!always && selector->GetSelect() == lastSelect) {
        return;
    }
    lastSelect = selector->GetSelect();
    tempoMeter->SetTargetValue(card->GetTempoLevel());
    lengthMeter->SetTargetValue(card->GetLengthLevel());
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
    previewWait -= static_cast<double>(now - beforeTime);
    if (previewWait <= 0) {
        while (previewEvent != nullptr) {
            previewEvent = SendEvent(previewEvent, previewSong);
            if (previewEvent == nullptr) {
                // End of the song: silence it and loop.
                SendStopEvent();
                RestartPreview();
                break;
            }
            previewWait += static_cast<double>(GetDeltaMilliSecond(previewEvent, previewSong));
            if (previewWait > 0) {
                break;
            }
        }
    }
    if (selector != nullptr && selector->GetChanged()) {
        UpdatePanel(false, false);
    }
}

void SelectScene::OnShowEvent()
{
    UpdatePanel(true, true);
    SaveChangedRecords();
}

const std::string &SelectScene::GetNotice() const
{
    return NoticeText::TextOf(notice);
}

const std::string &SelectScene::GetDeviceNotice() const
{
    return NoticeText::TextOf(deviceNotice);
}

void SelectScene::SaveChangedRecords()
{
    // Back from a game: a new record is written now rather than only when the screen closes,
    // so that a failure can be told while the player is still here.
    std::string failed;
    SceneObject *cards = selector != nullptr ? selector->GetSelectionParent() : nullptr;
    for (SceneObject *child : cards != nullptr ? cards->children : std::list<SceneObject *>()) {
        MidiImage *card = dynamic_cast<MidiImage *>(child);
        if (card != nullptr && !card->SaveRecords() && failed.empty()) {
            failed = card->GetScorePath();
        }
    }
    if (notice != nullptr) {
        notice->Show(failed.empty() ? "" : ScoreSaveNotice(failed), noticeTop);
    }
}

void SelectScene::Event(SDL_Event *event)
{
    // Once cancel asked for the deletion, an ok in the same poll must not start a game: its
    // record would point into cards that go with this scene, and the MIDI output closes.
    if (event->type == SDL_KEYDOWN && selector != nullptr && !leaving) {
        PracticeKey(event->key.keysym.sym);
        return;
    }
    if (event->type != SDL_USEREVENT || selector == nullptr || leaving) {
        return;
    }
    switch (event->user.code) {
    case 4: { // ok
        MidiImage *card = selector->GetSelectedCard();
        // A song that could not be read has nothing to play.
        if (card == nullptr || card->midi == nullptr || card->firstEvent == nullptr) {
            return;
        }
        fprintf(stderr, "return\n");
        SendStopEvent();

        GameSceneParameter *parameter = new GameSceneParameter();
        parameter->firstDelay = static_cast<int>(GetDeltaMilliSecond(card->firstEvent, card->midi));
        parameter->song = card->midi;
        parameter->firstEvent = card->firstEvent;
        parameter->notes.assign(card->positions.begin(), card->positions.end());
        parameter->part = card->GetPart();
        parameter->highScore = card->GetHighScoreCell(keyIndex, parameter->part);
        parameter->highRate = card->GetHighRateCell(keyIndex, parameter->part);
        parameter->delay = kGameDelay;
        parameter->speed = speed;
        parameter->tempo = practiceTempo;
        parameter->waitMode = waitMode;

        fprintf(stderr, "addscene\n");
        manager->AddScene(new GameScene(manager), parameter);
        visible = false;
        RestartPreview();
        Play(okChunk);
        break;
    }
    case 5: // cancel
        SendStopEvent();
        leaving = true;
        manager->DeleteScene(this);
        Play(cancelChunk);
        break;
    default:
        break;
    }
}
