// PlaySettings: reading and clamping the play settings.
#include "config/PlaySettings.h"

#include <algorithm>

#include "config/ConfigReader.h"

PlaySettings PlaySettings::Read(const ConfigReader &config)
{
    PlaySettings settings;
    const int keyNum = config.GetInteger("keynum", kDefaultKeys);
    settings.keyNum = keyNum >= kMinKeys && keyNum <= kMaxKeys ? keyNum : kDefaultKeys;
    settings.showKey = config.GetInteger("showkey", 1) != 0;
    settings.autoPlay = config.GetInteger("AutoPlay", 1) != 0;
    settings.deviceId = std::max(0, config.GetInteger("devid", 0));
    // Zero or negative speeds stack every ball on the targets; very high ones make them jump.
    const int speed = std::clamp(config.GetInteger("speed", 100), kMinSpeed, kMaxSpeed);
    settings.speed = speed / kSpeedStep * kSpeedStep;
    const int noFail = config.GetInteger("nofail", kNoFailInPractice);
    settings.noFail =
        noFail >= kNoFailNever && noFail <= kNoFailAlways ? noFail : kNoFailInPractice;
    settings.failResult = config.GetInteger("failresult", 0) != 0;
    const int scrollMode = config.GetInteger("scrollmode", kScrollFollowsTempo);
    settings.scrollMode = scrollMode == kScrollConstant ? kScrollConstant : kScrollFollowsTempo;
    settings.lanesLeft = config.GetInteger("lanesleft", 0) != 0;
    return settings;
}
