// LaneKeys: the default keys of the lanes for every number of lanes, and reading the bindings.
#pragma once

#include <string>
#include <vector>

#include "framework/KeyAssign.h"

class ConfigReader;
class KeyMapper;

// The default layouts sit on the home row, split between the hands, with Space in the middle
// for an odd count: F J for 2, D F J K for 4, S D F J K L for 6, A S D F J K L ; for 8,
// A S D F G H J K L ; for 10, with V and N under the index fingers for 12.
class LaneKeys
{
public:
    static constexpr int kMaxLanes = 12;

    // The SDL key codes of lanes 1..laneCount (1-12; other counts give the layout for 4).
    static std::vector<int> DefaultKeys(int laneCount);

    // The "config" key of a lane (0-11): "key0" .. "key11".
    static std::string ConfigKey(int lane);

    // The binding of 'lane' (0-11) when 'laneCount' lanes are played: the one stored in
    // "config", unless the stored name binds nothing ("Unknown", a misspelt name) or is the
    // key that lane had by default before layouts depended on the count (D F J K for lanes
    // 1-4, written out by earlier key configurations); then the layout's default. Lanes beyond
    // the count have no default: key code 0, never held.
    static KeyAssign Read(const ConfigReader &config, const KeyMapper &mapper, int lane,
                          int laneCount);
    // All twelve lanes' bindings for the number of lanes "config" sets ("keynum").
    static void ReadAll(const ConfigReader &config, KeyAssign (&lanes)[kMaxLanes]);
};
