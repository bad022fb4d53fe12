// SelectScene: the song selection, a carousel of song cards with a looping preview of the song.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Scene.h"
#include "game/Sequencer.h"
#include "menus/PreviewPacer.h"
#include "menus/SelectPanels.h"
#include "menus/SongOffsetLine.h"
#include "menus/SongOrder.h"
#include "widgets/NoticeText.h"

class Replay;
class AnimationMeter;
class HistoryPanel;
class MidiContainer;
class MidiImage;
class MidiSelector;
class RateImage;
class SongLibrary;
class SongLoader;
class SpriteImage;
struct SongEvents;
struct MidiEvent;
struct MidiFile;
struct Mix_Chunk;

// Left and right choose the song, up and down its part (MIDI channel). The chosen song plays
// as a preview on the MIDI output while the screen is shown; the panel shows the best rate of
// the chosen song and part and meters for the part's note density and the song's tempo and
// length. Ok starts the game, cancel goes back to the title menu. The screen opens the MIDI
// output in Init and closes it when it goes; the game and the result screen play through it.
// Minus and plus choose the practice tempo (50-150 %) and W turns wait mode on or off for the
// next games; the line under the chosen card shows both. '/' or Ctrl+F starts typing a search
// (every typed key then belongs to it, W and minus included, until ok keeps it or cancel clears
// it) that narrows the list to the songs whose name or title holds the typed words (Backspace
// takes one back; cancel outside the search clears a kept one before it leaves the screen);
// Tab cycles the order. While the library
// is still reading new songs the screen shows how far it is, and their cards fill in as they
// are read. The chosen song's events are read on the screen's loader thread (the first card's
// in Init, which runs off the main thread anyway): keys are answered meanwhile, and the
// preview starts when Idle takes the events. [ and ] trim the chosen song's own offset
// (SongOffsetLine, on the line under the practice line).
class SelectScene : public Scene
{
public:
    explicit SelectScene(SceneManager *manager);
    // Stops and joins the loader, then closes the MIDI output; the cards then save the records
    // that changed.
    ~SelectScene() override;

    // Moves the preview on and refreshes the panel after a change of song or part.
    void Idle(unsigned int now) override;
    // Ok starts the game on the chosen song and part; cancel leaves the screen.
    void Event(SDL_Event *event) override;
    // data: the title menu's song library (SongLibrary *), which outlives the screen.
    void Init(void *data) override;
    // Refreshes the whole panel and restarts the preview of the chosen song.
    void OnShowEvent() override;
    // The notice line: records that could not be saved, else why the chosen song's score file
    // could not be read ("" when neither).
    const std::string &GetNotice() const { return NoticeText::TextOf(notice); }
    // The line telling that the configured MIDI output is missing ("" when it opened).
    const std::string &GetDeviceNotice() const { return NoticeText::TextOf(deviceNotice); }
    // The line telling of a song folder that listed nothing or an index not saved, else where
    // the player's own songs go ("" while that folder has songs).
    const std::string &GetSongsHint() const { return NoticeText::TextOf(songsHint); }

    MidiSelector *GetSelector() { return selector; }
    RateImage *GetRateImage() { return panels.rate; }
    AnimationMeter *GetDensityMeter() { return panels.density; }
    AnimationMeter *GetTempoMeter() { return panels.tempo; }
    AnimationMeter *GetLengthMeter() { return panels.length; }
    HistoryPanel *GetHistoryPanel() { return history; }
    // Index of the score tables shown and updated: the configured number of keys - 1.
    int GetKeyIndex() const { return keyIndex; }
    // The next preview event (null while no preview runs) and the ms left until it is due.
    const KeyPosition *GetPreviewEvent()
    {
        return previewSong != nullptr ? preview.GetNext() : nullptr;
    }
    double GetPreviewWait() const
    {
        const KeyPosition *next = previewSong != nullptr ? preview.GetNext() : nullptr;
        return next != nullptr ? next->time - previewAt : 0;
    }
    // The search text, the order, and the song numbers (into the library) of the cards shown.
    const std::string &GetQuery() const { return query; }
    // True while a search is being typed ('/' or Ctrl+F began it; ok or cancel end it).
    bool IsSearching() const { return searching; }
    SongOrder::Key GetOrder() const { return order; }
    const std::vector<int> &GetShown() const { return shown; }
    // The status line: reading progress, search text and count, order.
    const std::string &GetStatusText() const { return statusText; }
    // Practice settings handed to the next game.
    int GetPracticeTempo() const { return practiceTempo; }
    // The chosen song's offset line.
    const SongOffsetLine &GetOffsetLine() const { return offsetLine; }
    bool IsWaitMode() const { return waitMode; }
    // True while the chosen card's events are being read.
    bool IsLoading() const;
    // Waits for the chosen card's events and gives them to it (a game started meanwhile needs
    // them); nothing when none are being read.
    void FinishLoading();
    SongLoader *GetLoader() { return loader.get(); }

private:
    // Rate and density of the chosen part; with a new song (or 'always') also the tempo and
    // length meters and a restart of the preview. resetFirst: reset the device before the
    // note-off sweep instead of after it.
    void UpdatePanel(bool always, bool resetFirst);
    // Starts the preview over at the chosen song's first event; a chosen song without events
    // is asked of the loader instead (once per choice), and its preview waits for them.
    void RestartPreview();
    // Stops the preview and lets go of the song's table.
    void StopPreview();
    // Idle: gives the chosen card the events the loader read for it; a read for a card no
    // longer chosen is dropped.
    void TakeLoadedSong();
    // Gives the chosen card (loadCard) its events: a changed summary goes to the library, and
    // the panel and preview start over.
    void ApplyLoaded(SongEvents &&events);
    // A card read anew found its file changed: the library and the card's pictures follow.
    void NoteChangedSummary(MidiImage *card);
    // Writes the records that changed in every card; a failure shows the notice (which stays
    // until a later save succeeds), and the cards try again when the screen closes.
    void SaveChangedRecords();
    // Shows the failed save, else the chosen song's unreadable score file, on the notice line.
    void ShowNotice();
    // Makes the cards for the songs that match the search, in the chosen order, keeping the
    // chosen song chosen when it is still shown.
    void BuildCards();
    // Cards made before their song was read take its summary once it is.
    void RefreshCards();
    // Renders the status line when its text changed (and the songs hint).
    void UpdateStatus(unsigned int now);
    // The folders' problem from the library, else where the player's own songs go, on the
    // songs hint line (shown again only when its text changed).
    void ShowSongsHint();
    // Typing and Backspace while searching; Tab at any time.
    void KeyTyped(int key);
    // Starts or ends the typing of a search and says so on the help line.
    void SetSearching(bool on);
    // Starts the game on the chosen card (a demo: the game plays the part itself). A turn of
    // the carousel still on its way ends first; a song still being read is waited for.
    // 'replay': a recorded game of the chosen card to show instead (null: the player plays).
    void StartGame(bool demo, std::shared_ptr<const Replay> replay = nullptr);
    // Shows the chosen card's best game (its part and the number of keys), or says why not.
    void WatchBest();
    // Tempo and wait-mode keys; renders the practice line again. False for other keys.
    bool PracticeKey(int key);
    void ShowPractice();

    MidiSelector *selector = nullptr;   ///< child: the song cards
    Mix_Chunk *okChunk = nullptr;       ///< "ok"; not owned
    Mix_Chunk *cancelChunk = nullptr;   ///< "cancel"; not owned
    SelectPanels panels;                ///< children: rate panel, level meters, help lines
    NoticeText *notice = nullptr;       ///< child: records not saved, or scores not read
    std::string failedSave;             ///< score file of the last failed save; "" if none
    std::string leftOut;                ///< keys a save left out, told once; "" if none
    NoticeText *deviceNotice = nullptr; ///< child: the configured device is missing
    NoticeText *songsHint = nullptr;    ///< child: where the player's own songs go
    // What the songs hint was last made from: it is made again only when one of them changes.
    size_t hintFolderProblems = SIZE_MAX; ///< folders that listed nothing (SIZE_MAX: not made yet)
    std::string hintIndexProblem;         ///< why the index was not saved
    int hintOwnSongs = -1;                ///< songs in the player's own folder
    int noticeTop = 0;                    ///< px from the top of the screen to the notice
    bool toldDropped = false;             ///< deviceNotice told of messages the device dropped
    int deviceId = 0;                     ///< MIDI output device from "devid"
    int lastSelect = 0;                   ///< carousel index at the last panel update
    int instrument = 0;                   ///< part at the last panel update
    int speed = 100;                      ///< handed to the game, which reads its own
    int keyIndex = 3;                     ///< number of keys - 1
    // The preview walks the chosen card's timed table (shared, not copied) with a sequencer of
    // its own; previewAt is how far into the song it is (ms, negative while a pass waits).
    Sequencer preview;
    double previewAt = 0;
    MidiFile *previewSong = nullptr; ///< song being previewed; null: preview stopped
    bool leaving = false;            ///< cancel asked for the scene's deletion
    SongLibrary *library = nullptr;  ///< the title menu's; not owned
    std::vector<int> shown;          ///< song numbers of the cards, in carousel order
    std::string query;               ///< the search text typed
    bool searching = false;          ///< typed keys go to the search
    SongOrder::Key order = SongOrder::kName;
    bool rebuild = false;                ///< the search or order changed: new cards due
    uint64_t seenGeneration = 0;         ///< library generation the cards reflect
    unsigned int statusTime = 0;         ///< ms of the last status rendering
    std::string statusText;              ///< the status line's text
    SpriteImage *status = nullptr;       ///< child: the status line
    int practiceTempo = 100;             ///< percent of the song's tempo
    bool waitMode = false;               ///< songs stop at each note until it is played
    SpriteImage *practiceLine = nullptr; ///< child: tempo and wait mode, under the card
    SongOffsetLine offsetLine;           ///< child line and keys: the chosen song's offset
    HistoryPanel *history = nullptr;     ///< child: the chosen card's plays and scores
    PreviewPacer pacer;                  ///< keeps short or huge songs from flooding
    std::unique_ptr<SongLoader> loader;  ///< reads the chosen song; joined first on teardown
    uint64_t loadTicket = 0;             ///< the latest request made of the loader
    uint64_t loadCard = 0;               ///< serial of the card loadTicket is for; 0: none
    bool loadAnswered = false;           ///< loadCard has taken what its request read
};
