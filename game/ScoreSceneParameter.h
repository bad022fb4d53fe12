// ScoreSceneParameter: the judgement counters the play scene hands to the result screen.
#pragma once

#include <memory>
#include <vector>

#include "game/GameSceneParameter.h"
#include "game/Replay.h"

// Created with new by the play scene at the end of a song; the result screen deletes it at
// the end of its Init. The two cells belong to the song card's score tables.
class ScoreSceneParameter
{
public:
    int *highScore = nullptr; ///< high-score cell of the song, part and key count
    int *highRate = nullptr;  ///< high-rate cell of the same
    int bad = 0;              ///< BAD judgements, misses included
    int ok = 0;               ///< OK judgements
    int good = 0;             ///< GOOD judgements
    int excellent = 0;        ///< EXCELLENT judgements
    int maxCombo = 0;         ///< longest combo
    std::vector<int> errors;  ///< signed timing error (ms, < 0 early) of every hit, in order
    bool practice = false;    ///< a practice game: shown as such, nothing is stored; the
                              ///< cells are only read, for the record that stands
    bool failed = false;      ///< the life meter emptied: shown as FAILED, nothing is stored
    bool demo = false;        ///< the game played itself: shown as a demo, nothing is stored
    bool watched = false;     ///< a recorded game shown again: marked as such, nothing is stored
    // This game's replay, to watch it again from the result screen (null: none).
    std::shared_ptr<const Replay> replay;
    // The song's history file: the result screen adds the game to it (practice and failed
    // games too, marked as such). Empty: nothing is written.
    std::string historyPath;
    // Why the game's replay could not be recorded or kept (said on the screen); empty if it was.
    std::string replayProblem;
    // Why it could not be kept as the best game of its song, part and keys; empty if it was.
    std::string bestReplayProblem;
    int part = 0; ///< MIDI channel played
    int keys = 4; ///< number of keys played with
    // The same game again, for a retry from the result screen (null: no retry).
    std::unique_ptr<GameSceneParameter> retry;

    ScoreSceneParameter() = default;
    virtual ~ScoreSceneParameter() = default;
};
