// PlaySettings: the play settings of "config", each brought into its range as it is read.
#pragma once

class ConfigReader;

// Every screen reads the play settings through this one reader, so a stored value outside its
// range means the same everywhere: what the options show is what the game plays.
struct PlaySettings
{
    static constexpr int kMinKeys = 1;
    static constexpr int kMaxKeys = 12;
    static constexpr int kDefaultKeys = 4;
    static constexpr int kMinSpeed = 10;  ///< percent
    static constexpr int kMaxSpeed = 190; ///< percent
    static constexpr int kSpeedStep =
        10; ///< percent; the options offer 10 % to 190 % in these steps

    int keyNum = kDefaultKeys; ///< lanes, 1-12; "keynum" outside 1-12 gives 4
    bool showKey = true;       ///< key names on the balls; "showkey" non-zero
    bool autoPlay = true;      ///< the part also plays by itself; "AutoPlay" non-zero
    int deviceId = 0;          ///< MIDI output; "devid" below 0 gives 0 (a missing device is
                               ///< replaced where the output opens)
    int speed = 100;           ///< scroll speed in percent, a step of 10 from 10 to 190
    // When the life meter cannot end a game ("nofail"): never, in practice games, or always
    // (which makes every game an unrecorded practice game).
    enum NoFail
    {
        kNoFailNever = 0,
        kNoFailInPractice = 1,
        kNoFailAlways = 2,
    };
    int noFail = kNoFailInPractice; ///< "nofail" 0-2; other values give 1
    bool failResult = false;        ///< an emptied life meter leads to the (unrecorded) result
                                    ///< screen instead of back to the songs; "failresult" non-zero
    // How the balls move ("scrollmode"): with the song's tempo (0, the default) or at a
    // constant number of pixels per second (1); other values give 0.
    enum ScrollMode
    {
        kScrollFollowsTempo = 0,
        kScrollConstant = 1,
    };
    int scrollMode = kScrollFollowsTempo;
    bool lanesLeft = false; ///< the lanes start at the screen's second column instead of being
                            ///< centred (the old placement); "lanesleft" non-zero

    // Reads "keynum", "showkey", "AutoPlay", "devid", "speed", "nofail", "failresult",
    // "scrollmode" and "lanesleft" (defaults 4, 1, 1, 0, 100, 1, 0, 0, 0).
    // "speed" outside 10-190 is clamped to that range and rounded down to a step of 10.
    static PlaySettings Read(const ConfigReader &config);
};
