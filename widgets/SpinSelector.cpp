// SpinSelector: carousel geometry, eased turning and left/right selection.
#include "widgets/SpinSelector.h"

#include <cmath>
#include <iterator>

#include "widgets/SelectionContainer.h"
#include "widgets/SpriteImage.h"

namespace {

// The carousel's own half and full turn; the resting spots are multiples of a quarter of it.
const double kHalfTurn = 3.1415;
const double kFullTurn = 6.283;
const double kEighthTurn = 0.785375;

// The same turn as 'angle' (between -kFullTurn and kFullTurn), the shorter way round: within
// half a turn either side of zero.
double ShorterTurn(double angle)
{
    if (angle < -kHalfTurn) {
        return angle + kFullTurn;
    }
    if (angle > kHalfTurn) {
        return angle - kFullTurn;
    }
    return angle;
}

// Truncates towards zero into a 16-bit screen coordinate.
Sint16 ToCoordinate(double value)
{
    return static_cast<Sint16>(static_cast<int>(value));
}

// Angle of the resting spot seen from the centre; right before left, upper before lower.
double BaseAngle(Uint32 placement)
{
    if (placement & 8) {
        if (placement & 1) {
            return kEighthTurn;
        }
        if (placement & 2) {
            return -kEighthTurn;
        }
        return 0;
    }
    if (placement & 4) {
        if (placement & 1) {
            return 3 * kEighthTurn;
        }
        if (placement & 2) {
            return -3 * kEighthTurn;
        }
        return kHalfTurn;
    }
    return (placement & 1) ? 2 * kEighthTurn : -2 * kEighthTurn;
}

} // namespace

SpinSelector::SpinSelector(SceneManager *manager, SceneObject *parent)
    : SelectorObject(manager, parent)
{
}

void SpinSelector::Draw(SDL_Surface *) {}

void SpinSelector::Init(void *data)
{
    const SpinSelectorParameter *parameter = static_cast<const SpinSelectorParameter *>(data);
    if (parameter == nullptr) {
        return;
    }
    radius = parameter->radius;
    placement = parameter->placement;
    baseAngle = BaseAngle(placement);
    // The circle's point at the base angle is the resting spot.
    centerX = ToCoordinate(parameter->position.x - radius * std::cos(baseAngle));
    centerY = ToCoordinate(parameter->position.y + radius * std::sin(baseAngle));
    targetAngle = 0;
    currentAngle = 0;
    select = 0;
    // Marked as changed in the idle phase without running callbacks.
    changedPhase = 1;
    if (selection == nullptr) {
        selection = new SelectionContainer(manager, this);
    }
}

int SpinSelector::GetSize() const
{
    return selection != nullptr ? static_cast<int>(selection->children.size()) : 0;
}

SpriteImage *SpinSelector::GetImage(int index)
{
    if (selection == nullptr || index < 0 || index >= GetSize()) {
        return nullptr;
    }
    auto item = selection->children.begin();
    std::advance(item, index);
    return dynamic_cast<SpriteImage *>(*item);
}

SceneObject *SpinSelector::GetSelectionParent()
{
    return selection;
}

void SpinSelector::SetSelect(int index)
{
    const int count = GetSize();
    if (index < 0 || index >= count) {
        return;
    }
    if (SpriteImage *old = GetImage(select)) {
        old->active = false;
    }
    select = index;
    if (SpriteImage *chosen = GetImage(select)) {
        chosen->active = true;
    }
    targetAngle = kFullTurn * index / count;
    Changed();
    // Nothing jumps now: Idle turns the circle over the following frames.
    PlaceItems();
}

void SpinSelector::Event(SDL_Event *event)
{
    if (event == nullptr || event->type != SDL_USEREVENT) {
        return;
    }
    const int code = event->user.code;
    if (code != 0 && code != 1) {
        return;
    }
    const int count = GetSize();
    if (count == 0) {
        return;
    }
    if (code == 1) {
        SetSelect((select + 1) % count);
    } else {
        SetSelect(select == 0 ? count - 1 : select - 1);
    }
    PlaySelectSound();
}

void SpinSelector::Idle(unsigned int now)
{
    const Uint32 elapsed = now - beforeTime;
    const int count = GetSize();
    if (targetAngle != currentAngle) {
        if (count == 0) {
            currentAngle = targetAngle;
        } else {
            // Turn the shorter way round.
            const double d = ShorterTurn(currentAngle - targetAngle);
            // Proportional to the distance left: the circle eases out.
            const double step = elapsed * std::fabs(d) * kFullTurn / 250 / count;
            if (step > std::fabs(d)) {
                currentAngle = targetAngle;
            } else if (d < 0) {
                currentAngle += step;
            } else {
                currentAngle -= step;
            }
            if (currentAngle < 0) {
                currentAngle += kFullTurn;
            }
            if (currentAngle > kFullTurn) {
                currentAngle -= kFullTurn;
            }
        }
    }
    if (count > 0) {
        PlaceItems();
    }
}

void SpinSelector::PlaceItems()
{
    const int count = GetSize();
    const bool windowed = maxSlots > 0 && count > maxSlots;
    // Windowed: how far (in items) the circle still has to turn, and the angle of one place.
    const double offset = ShorterTurn(currentAngle - targetAngle);
    const double itemsAway = count > 0 ? offset * count / kFullTurn : 0;
    const double slotAngle = windowed ? kFullTurn / maxSlots : 0;
    int i = 0;
    for (SceneObject *child : selection->children) {
        SpriteImage *item = dynamic_cast<SpriteImage *>(child);
        if (item != nullptr) {
            double angle = baseAngle + currentAngle - kFullTurn * i / count;
            if (windowed) {
                int d = (i - select) % count;
                if (d < -count / 2) {
                    d += count;
                } else if (d >= count - count / 2) {
                    d -= count;
                }
                const double place = itemsAway - d;
                item->visible = std::fabs(place) < maxSlots / 2;
                angle = baseAngle + slotAngle * place;
            }
            SDL_Rect where;
            item->GetPosition(where);
            where.x = ToCoordinate(radius * std::cos(angle) + centerX);
            where.y = ToCoordinate(centerY - radius * std::sin(angle));
            item->SetPosition(where);
            const bool chosen = i == select;
            if (item->active != chosen) {
                item->active = chosen;
            }
        }
        ++i;
    }
}
