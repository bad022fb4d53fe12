// GameSceneParameter: the record the song selection hands to the play scene (owned by the scene).
#pragma once

#include <memory>
#include <string>

#include "game/Replay.h"

#include "smf/ReadMidi.h"
#include "song/KeyPositionTable.h"

class MidiContainer;

// Created with new by whoever starts a game and passed to SceneManager::AddScene together with
// a new GameScene; the scene keeps it and deletes it in its destructor.
class GameSceneParameter
{
public:
    int firstDelay = 0;              ///< ms of the first merged event's delta; not used in play
    MidiFile *song = nullptr;        ///< the parsed song; its tempo follows Set Tempo while playing
    MidiEvent *firstEvent = nullptr; ///< head of a merged event list; null for a song's own table
    // The song's timed event table, in time order, shared with the song (not copied). The play
    // scene only reads it and keeps its own place in it.
    KeyPositionTable notes;
    int *highScore = nullptr; ///< high-score cell of this song, part and key count
    int *highRate = nullptr;  ///< high-rate cell of the same (-1: none yet)
    int delay = 2000;         ///< ms to wait after the last event before the result screen
    int part = 0;             ///< the chosen part (MIDI channel 0-15)
    int speed = 100;          ///< scroll speed in percent; the scene reads it from config
    int tempo = 100;          ///< practice tempo in percent of the song's (50-150)
    bool waitMode = false;    ///< the song stops at each note of the part until it is played
    bool demo = false;        ///< the game plays the part itself, perfectly; never recorded
    std::string title;        ///< the song's title as the selection shows it (UTF-8)
    // The song's history file, which gets a line for the game once its result is shown.
    // Empty: the game is not written to any history (a demo, a replay being watched).
    std::string historyPath;

    // The song's own offset cell (ms, added to config "offset"), kept with its records; the
    // pause menu trims it. Null: 0, and trims last this game only.
    int *songOffset = nullptr;

    // Where the song's file and records are, for recording the game: the file (its size and
    // hash name the song), its name as the song list gives it, and its score file (the best
    // game's replay goes beside it). An empty songPath records nothing.
    std::string songPath;
    std::string songName;
    std::string scorePath;
    // A recorded game to show again: it presses instead of the player and sets what decides
    // the result; such a game is never recorded and stores nothing.
    std::shared_ptr<const Replay> replay;

    GameSceneParameter() = default;
    virtual ~GameSceneParameter() = default;

    // Plays 'from': its file header, its list head if it has one, its table (shared) and the
    // time of its first event.
    void TakeSong(const MidiContainer &from);
};
