// LaneKeys: default lane layouts and the reading of lane bindings.
#include "game/LaneKeys.h"

#include <SDL.h>

#include "config/ConfigReader.h"
#include "config/PlaySettings.h"
#include "framework/KeyMapper.h"

namespace {

// Lanes left to right for each count; Space is under the thumbs.
const std::vector<int> kLayouts[LaneKeys::kMaxLanes] = {
    {SDLK_SPACE},
    {SDLK_f, SDLK_j},
    {SDLK_f, SDLK_SPACE, SDLK_j},
    {SDLK_d, SDLK_f, SDLK_j, SDLK_k},
    {SDLK_d, SDLK_f, SDLK_SPACE, SDLK_j, SDLK_k},
    {SDLK_s, SDLK_d, SDLK_f, SDLK_j, SDLK_k, SDLK_l},
    {SDLK_s, SDLK_d, SDLK_f, SDLK_SPACE, SDLK_j, SDLK_k, SDLK_l},
    {SDLK_a, SDLK_s, SDLK_d, SDLK_f, SDLK_j, SDLK_k, SDLK_l, SDLK_SEMICOLON},
    {SDLK_a, SDLK_s, SDLK_d, SDLK_f, SDLK_SPACE, SDLK_j, SDLK_k, SDLK_l, SDLK_SEMICOLON},
    {SDLK_a, SDLK_s, SDLK_d, SDLK_f, SDLK_g, SDLK_h, SDLK_j, SDLK_k, SDLK_l, SDLK_SEMICOLON},
    {SDLK_a, SDLK_s, SDLK_d, SDLK_f, SDLK_g, SDLK_SPACE, SDLK_h, SDLK_j, SDLK_k, SDLK_l,
     SDLK_SEMICOLON},
    {SDLK_a, SDLK_s, SDLK_d, SDLK_f, SDLK_g, SDLK_v, SDLK_n, SDLK_h, SDLK_j, SDLK_k, SDLK_l,
     SDLK_SEMICOLON},
};

// The defaults of lanes 1-4 when the layout did not depend on the number of lanes.
const int kEarlierDefaults[] = {SDLK_d, SDLK_f, SDLK_j, SDLK_k};

const int kDefaultLaneCount = 4;

// The binding stored for 'lane' in *binding; false when there is none to use: absent,
// "Unknown", a name of nothing, or the earlier default of that lane.
bool StoredBinding(const ConfigReader &config, const KeyMapper &mapper, int lane,
                   KeyAssign *binding)
{
    std::string name;
    config.GetString(name, LaneKeys::ConfigKey(lane), "");
    const KeyAssign stored = mapper.GetID(name);
    if (stored.kind == 0 && stored.code == 0) {
        return false; // absent, "Unknown" or a name of nothing
    }
    const int lanes = static_cast<int>(sizeof kEarlierDefaults / sizeof kEarlierDefaults[0]);
    if (lane < lanes && stored.kind == 0 && stored.code == kEarlierDefaults[lane]) {
        return false;
    }
    *binding = stored;
    return true;
}

} // namespace

std::vector<int> LaneKeys::DefaultKeys(int laneCount)
{
    if (laneCount < 1 || laneCount > kMaxLanes) {
        laneCount = kDefaultLaneCount;
    }
    return kLayouts[laneCount - 1];
}

std::string LaneKeys::ConfigKey(int lane)
{
    return "key" + std::to_string(lane);
}

KeyAssign LaneKeys::Read(const ConfigReader &config, const KeyMapper &mapper, int lane,
                         int laneCount)
{
    KeyAssign binding;
    if (StoredBinding(config, mapper, lane, &binding)) {
        return binding;
    }
    const std::vector<int> layout = DefaultKeys(laneCount);
    if (lane >= 0 && lane < static_cast<int>(layout.size())) {
        binding.AssignKey(layout[lane]);
    }
    return binding;
}

void LaneKeys::ReadAll(const ConfigReader &config, KeyAssign (&lanes)[kMaxLanes])
{
    KeyMapper mapper;
    const int laneCount = PlaySettings::Read(config).keyNum;
    for (int i = 0; i < kMaxLanes; i++)
        lanes[i] = Read(config, mapper, i, laneCount);
}
