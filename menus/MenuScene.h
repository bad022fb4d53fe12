// MenuScene: the title menu ("Game", "Option", "Exit") and the owner of the song list.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "content/ImageSet.h"
#include "framework/Scene.h"
#include "song/PartNames.h"

class MidiContainer;
class NoticeText;
class SongLibrary;
class SpriteImage;
class StringSelector;
struct Mix_Chunk;

// The first screen and the last to go. On start-up it applies the menu key bindings from the
// configuration, prepares the MIDI library, renders the instrument names and opens the song
// library of the "data" folder (songs the index does not know are read in the background).
// "Game" opens the song selection with the library (this scene keeps owning it), "Option"
// the options screen, "Exit" ends the program.
class MenuScene : public Scene
{
public:
    // Applies the six menu key bindings of "config" (defaults: arrow keys, Return, Escape).
    explicit MenuScene(SceneManager *manager);
    // Saves records still pending from failed saves, stops the song library and deletes the
    // songs, then releases the MIDI library.
    ~MenuScene() override;

    // Confirms the chosen entry when ok is pressed.
    void Input(unsigned int now) override;
    // Takes the songs the background reader has finished.
    void Idle(unsigned int now) override;
    // Builds the logo and the menu, renders the instrument names and reads the songs.
    void Init(void *data) override;
    // Rebuilds everything that depends on the screen size or on pictures.
    void Reload() override;
    // Back on top: renders the texts again for the language now in use (the options may have
    // changed it) and shows which records are still not saved (after the song selection).
    void OnShowEvent() override;

    // Opens the song library of "data" and its sub-folders (names ending in .mid in any case,
    // in name order).
    void PickUpMidi();
    // Renders the instrument and drum kit names used by the song cards.
    void LoadInstrumentsImage();

    // The songs, in name order.
    std::vector<MidiContainer *> &GetSongs();
    SongLibrary *GetLibrary() { return library.get(); }
    // The notice lines: why there is no sound, which records are not saved, why "config" was
    // not read ("" for none).
    const std::string &GetAudioNotice() const;
    const std::string &GetScoreNotice() const;
    const std::string &GetSettingsNotice() const;
    // The menu entry chosen (0 Game, 1 Option, 2 Exit).
    int GetSelect();
    // The line telling that the chosen language's texts are missing (no picture when they are not).
    NoticeText *GetLanguageNotice() { return languageNotice; }

private:
    // Fills the menu and places the logo and the menu for the current screen size.
    void Layout();

    std::unique_ptr<SongLibrary> library;      ///< the songs, their index and reader
    StringSelector *menu = nullptr;            ///< child: "Game", "Option", "Exit"
    Mix_Chunk *okChunk = nullptr;              ///< "ok"; not owned
    SpriteImage *logo = nullptr;               ///< child: the "logo" picture
    NoticeText *audioNotice = nullptr;         ///< child: why there is no sound
    NoticeText *scoreNotice = nullptr;         ///< child: records not saved
    NoticeText *languageNotice = nullptr;      ///< child: why the texts are not as chosen
    NoticeText *settingsNotice = nullptr;      ///< child: why "config" was not read
    SpriteImage *versionText = nullptr;        ///< child: the game's version, bottom right
    std::string language;                      ///< language the texts were rendered in
    ImageSet instrumentImages[kPartNameCount]; ///< part names (PartNameIndex)
};
