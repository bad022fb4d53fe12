// TimingScene: measures the player's timing offset by ear: taps on a steady click.
#include "menus/TimingScene.h"

#include <SDL_mixer.h>

#include <cmath>
#include <cstdio>

#include "config/ConfigReader.h"
#include "config/ConfigReaderWriter.h"
#include "config/PlaySettings.h"
#include "config/SettingKeys.h"
#include "content/ContentsManager.h"
#include "devices/MidiOut.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/HitErrorMeter.h"
#include "game/LaneKeys.h"
#include "game/TimingCalibration.h"
#include "menus/MidiOutChoice.h"
#include "menus/SaveNotice.h"
#include "platform/GamePaths.h"
#include "smf/ReadMidi.h"
#include "text/MessageCatalog.h"
#include "widgets/NoticeText.h"

// A proposal is the median of taps kept within MAX_ERROR of their beats, so it always lies in
// the range the game plays.
static_assert(TimingCalibration::MAX_ERROR <= LatencyCompensation::MAX_OFFSET,
              "the timing screen must not propose an offset the game cannot play");

namespace {
const int OK_EVENT = 4;
const int CANCEL_EVENT = 5;
const unsigned char PERCUSSION = 0x09;  // MIDI channel 10
const unsigned char COUNT_IN_NOTE = 76; // high wood block
const unsigned char BEAT_NOTE = 77;     // low wood block
const Uint32 WHITE = 0xFFFFFFFF;
const Uint32 GREY = 0xFFB0B0B0;
const Uint32 LIGHT_YELLOW = 0xFFFFFF80;

std::string Signed(int ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+d ms", ms);
    return text;
}
} // namespace

TimingScene::TimingScene(SceneManager *manager)
    : Scene(manager), calibration(new TimingCalibration(0, INTERVAL, BEATS))
{
}

TimingScene::~TimingScene()
{
    CloseMidiOut();
}

void TimingScene::Init(void *)
{
    ContentsManager *contents = manager->GetContentsManager();
    okChunk = contents->GetAudio("ok");
    cancelChunk = contents->GetAudio("cancel");
    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    oldOffset = config.GetInteger("offset", 0);
    LaneKeys::ReadAll(config, keys);
    // The clicks must be heard: a device that is gone gives way to the built-in synthesizer,
    // and the player is told.
    std::string deviceProblem;
    OpenMidiOutOrBuiltIn(PlaySettings::Read(config).deviceId, deviceProblem);
    SendResetMessage();

    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    meter = new HitErrorMeter(manager, this);
    meter->SetArea(width / 4, height * 11 / 20, width / 2, std::max(8, height / 40));
    const int font = contents->GetDefaultFontSize();
    title.LoadStringWithin(contents, Tr("Timing"), WHITE, font * 2, Room());
    instructions.LoadStringWithin(
        contents, Tr("Listen, and tap any lane key on each click (4 to count in, then 16)"), GREY,
        font * 3 / 4, Room());
    deviceNotice = new NoticeText(manager, this);
    deviceNotice->Show(deviceProblem, height / 100);
    UpdateTexts();
}

int TimingScene::Room() const
{
    return manager->GetWidth() - manager->GetWidth() / 50;
}

void TimingScene::OnShowEvent()
{
    Restart(manager->GetNowTime());
}

void TimingScene::Restart(Uint32 now)
{
    firstClick = now + FIRST_DELAY;
    calibration.reset(new TimingCalibration(BeatTime(0), INTERVAL, BEATS));
    clicksSent = clicksEnded = 0;
    done = false;
    shownTaps = -1;
    UpdateTexts();
}

Uint32 TimingScene::BeatTime(int beat) const
{
    return firstClick + static_cast<Uint32>((COUNT_IN + beat) * INTERVAL);
}

void TimingScene::SendClick(bool countIn, bool on)
{
    MidiEvent click{};
    click.status = static_cast<uint8_t>((on ? 0x90 : 0x80) | PERCUSSION);
    click.data1 = countIn ? COUNT_IN_NOTE : BEAT_NOTE;
    click.data2 = on ? 120 : 0;
    SendEvent(&click, nullptr);
}

void TimingScene::Input(unsigned int now)
{
    if (done || leaving || now + INTERVAL / 2 < BeatTime(0))
        return;
    for (KeyAssign &key : keys) {
        if (manager->AssignedKeyPress(key)) {
            const long long time = now;
            if (calibration->Tap(time))
                meter->Add(
                    static_cast<int>(time - calibration->BeatTime(calibration->BeatAt(time))), now);
            break; // one press per frame is one tap
        }
    }
}

void TimingScene::Idle(unsigned int now)
{
    if (leaving)
        return;
    // Each click goes out the device's latency early, so that it is heard on its beat.
    const Uint32 latency = static_cast<Uint32>(GetMidiOutLatency());
    const int clicks = COUNT_IN + BEATS;
    while (clicksSent < clicks && now + latency >= firstClick + clicksSent * INTERVAL) {
        SendClick(clicksSent < COUNT_IN, true);
        clicksSent++;
    }
    while (clicksEnded < clicksSent &&
           now + latency >= firstClick + clicksEnded * INTERVAL + CLICK_LENGTH) {
        SendClick(clicksEnded < COUNT_IN, false);
        clicksEnded++;
    }
    if (!done && now >= BeatTime(BEATS - 1) + INTERVAL / 2) {
        done = true;
        UpdateTexts();
    } else if (!done && calibration->GetTapCount() != shownTaps) {
        UpdateTexts();
    }
}

void TimingScene::UpdateTexts()
{
    ContentsManager *contents = manager->GetContentsManager();
    const int font = contents->GetDefaultFontSize();
    char text[160];
    shownTaps = calibration->GetTapCount();
    std::snprintf(text, sizeof text, Tr("Taps: %d of %d      Current offset: %s"), shownTaps, BEATS,
                  Signed(oldOffset).c_str());
    status.LoadStringWithin(contents, text, WHITE, font, Room());
    if (!done) {
        result.SetSurface(nullptr);
        help.LoadStringWithin(contents, Tr("Escape: back without a change"), GREY, font * 3 / 4,
                              Room());
        return;
    }
    if (calibration->HasResult()) {
        std::snprintf(text, sizeof text, Tr("Proposed offset: %s (spread %d ms)"),
                      Signed(calibration->GetOffset()).c_str(), calibration->GetSpread());
        result.LoadStringWithin(contents, text, LIGHT_YELLOW, font * 3 / 2, Room());
        std::snprintf(text, sizeof text, Tr("Return: save %s      Escape: keep %s"),
                      Signed(calibration->GetOffset()).c_str(), Signed(oldOffset).c_str());
    } else {
        result.LoadStringWithin(contents, Tr("Too few taps to propose an offset"), LIGHT_YELLOW,
                                font * 3 / 2, Room());
        std::snprintf(text, sizeof text, Tr("Return: try again      Escape: keep %s"),
                      Signed(oldOffset).c_str());
    }
    help.LoadStringWithin(contents, text, GREY, font * 3 / 4, Room());
}

void TimingScene::Leave(Mix_Chunk *sound)
{
    if (sound)
        Mix_PlayChannelTimed(-1, sound, 0, -1);
    SendStopEvent();
    manager->DeleteScene(this);
    leaving = true;
}

void TimingScene::Event(SDL_Event *event)
{
    if (leaving || event->type != SDL_USEREVENT)
        return;
    if (event->user.code == CANCEL_EVENT) {
        Leave(cancelChunk);
    } else if (event->user.code == OK_EVENT && done) {
        if (!calibration->HasResult()) {
            Restart(manager->GetNowTime());
            return;
        }
        ConfigReaderWriter writer;
        writer.ownKey = IsSettingKey;
        writer.Open(Paths().ConfigFile());
        writer.Write("offset", calibration->GetOffset());
        const bool saved = writer.Save();
        if (!saved || !writer.leftOut.empty()) {
            // Saved without entries the file held: told, and the next ok leaves.
            const std::string text = saved ? LeftOutNotice(writer.path, writer.leftOut)
                                           : Tr("Cannot write config: not saved");
            help.LoadStringWithin(manager->GetContentsManager(), text, 0xFFFF4848,
                                  manager->GetContentsManager()->GetDefaultFontSize(), Room());
            return;
        }
        Leave(okChunk);
    }
}

void TimingScene::Draw(SDL_Surface *screen)
{
    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    auto centred = [&](ImageSet &image, int y) {
        if (!image.surface)
            return;
        SDL_Rect place{static_cast<Sint16>((width - image.sourceRect.w) / 2),
                       static_cast<Sint16>(y), 0, 0};
        image.Draw(screen, &place);
    };
    centred(title, height / 11);
    centred(instructions, height * 3 / 11);
    centred(status, height * 4 / 11);
    centred(result, height * 7 / 11);
    centred(help, height * 9 / 11);
}
