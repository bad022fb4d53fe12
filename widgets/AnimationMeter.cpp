// AnimationMeter: gliding towards the target and placing the caption.
#include "widgets/AnimationMeter.h"

#include <algorithm>
#include <cmath>

#include "framework/SceneManager.h"
#include "widgets/SpriteImage.h"

AnimationMeter::AnimationMeter(SceneManager *manager, SceneObject *parent)
    : BaroMeter(manager, parent), caption(new SpriteImage(manager, this))
{
    value = 0;
    if (manager != nullptr) {
        beforeTime = manager->GetNowTime();
        startTime = beforeTime;
    }
}

void AnimationMeter::Idle(unsigned int now)
{
    if (value == target) {
        return;
    }
    const double step = static_cast<Uint32>(now - beforeTime) * speed;
    if (step > std::fabs(value - target)) {
        SetValue(target);
    } else if (value < target) {
        SetValue(value + step);
    } else {
        SetValue(value - step);
    }
}

void AnimationMeter::SetTargetValue(double newTarget)
{
    target = std::min(100.0, std::max(0.0, newTarget));
}

void AnimationMeter::SetSpeed(double newSpeed)
{
    speed = std::fabs(newSpeed);
}

void AnimationMeter::SetCaption(std::string text, unsigned int color, int size)
{
    captionText = text;
    caption->LoadString(manager->GetContentsManager(), std::move(text), color, size);
    caption->position.x = static_cast<Sint16>((sourceRect.w - caption->sourceRect.w) / 2);
    caption->position.y = static_cast<Sint16>(sourceRect.h);
}

int AnimationMeter::GetWidth()
{
    return std::max<int>(sourceRect.w, caption->sourceRect.w);
}

int AnimationMeter::GetHeight()
{
    return std::max<int>(sourceRect.h, caption->sourceRect.h);
}
