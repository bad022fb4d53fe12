// SettingKeys: the list of keys the game reads from "config".
#include "config/SettingKeys.h"

#include <set>

bool IsSettingKey(const std::string &key)
{
    // Kept in step with the readers: Program (video), OptionScene, PlaySettings, TimingScene
    // (offset), GameScene (pause), MidiOutput (soundfont), LanguageChoice, LaneKeys (key0..key11)
    // and KeyConfigScene (menu keys).
    static const std::set<std::string> keys = {
        "AutoPlay", "bpp",        "devid",      "fullscreen", "height",    "keynum", "language",
        "mididev",  "offset",     "pause",      "showkey",    "soundfont", "speed",  "videomode",
        "width",    "left",       "right",      "up",         "down",      "ok",     "cancel",
        "nofail",   "failresult", "scrollmode", "lanesleft"};
    if (keys.count(key) != 0) {
        return true;
    }
    // Lane bindings: "key0" to "key11".
    for (int lane = 0; lane < 12; ++lane) {
        if (key == "key" + std::to_string(lane)) {
            return true;
        }
    }
    return false;
}
