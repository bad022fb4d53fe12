// SpinSelector: carousel geometry, eased turning and left/right selection.
#include "widgets/SpinSelector.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <list>

#include "framework/SceneManager.h"
#include "widgets/SelectionContainer.h"
#include "widgets/SpriteImage.h"

namespace {

// The carousel's own half and full turn; the resting spots are multiples of a quarter of it.
const double kHalfTurn = 3.1415;
const double kFullTurn = 6.283;
const double kEighthTurn = 0.785375;
// ms: the longest time constant of the eased turn (reached from 5 items on).
const double kLongestEase = 200.0;
// Items: a turn further than this skips to this distance first; a turn closer than kSettled
// has arrived (well under a pixel at any screen size).
const double kLongJump = 12.0;
const double kSettled = 0.002;
// ms a held left or right waits before it repeats, and then between repeats.
const Uint32 kRepeatDelay = 400;
const Uint32 kRepeatInterval = 50;

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
    if (maker) {
        return madeCount;
    }
    return selection != nullptr ? static_cast<int>(selection->children.size()) : 0;
}

SpriteImage *SpinSelector::GetImage(int index)
{
    if (selection == nullptr || index < 0 || index >= GetSize()) {
        return nullptr;
    }
    if (maker) {
        const auto item = made.find(index);
        return item != made.end() ? item->second : nullptr;
    }
    auto item = selection->children.begin();
    std::advance(item, index);
    return dynamic_cast<SpriteImage *>(*item);
}

void SpinSelector::SetItems(int count, ItemMaker make, int chosen)
{
    if (selection == nullptr) {
        return;
    }
    // Every item goes now, in list order (an item may save what it holds as it goes).
    std::list<SceneObject *> old;
    old.swap(selection->children);
    made.clear();
    for (SceneObject *item : old) {
        delete item;
    }
    maker = std::move(make);
    madeCount = std::max(0, count);
    select = chosen >= 0 && chosen < madeCount ? chosen : 0;
    targetAngle = madeCount > 0 ? kFullTurn * select / madeCount : 0;
    currentAngle = targetAngle;
    if (madeCount > 0) {
        PlaceItems();
    }
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

int SpinSelector::GetMiddle() const
{
    const int count = GetSize();
    if (count == 0) {
        return 0;
    }
    // Items the circle still has to turn: the item that far from the chosen one stands on the
    // resting spot now.
    const double itemsAway = ShorterTurn(currentAngle - targetAngle) * count / kFullTurn;
    const long long middle = (select + std::llround(itemsAway)) % count;
    return static_cast<int>(middle < 0 ? middle + count : middle);
}

void SpinSelector::FinishTurn()
{
    currentAngle = targetAngle;
    if (GetSize() > 0) {
        PlaceItems();
    }
}

void SpinSelector::RepeatHeldKey(unsigned int now)
{
    const int direction = (manager->IsRightHeld() ? 1 : 0) - (manager->IsLeftHeld() ? 1 : 0);
    if (direction == 0 || direction != heldDirection) {
        // The press itself came as an event; repeats follow once it has been held a while.
        heldDirection = direction;
        nextRepeat = now + kRepeatDelay;
        return;
    }
    const int count = GetSize();
    if (count == 0 || static_cast<Sint32>(now - nextRepeat) < 0) {
        return;
    }
    nextRepeat += kRepeatInterval;
    if (static_cast<Sint32>(now - nextRepeat) >= 0) {
        nextRepeat = now + kRepeatInterval; // a long frame does not queue up repeats
    }
    SetSelect(((select + direction) % count + count) % count);
    PlaySelectSound();
}

void SpinSelector::Idle(unsigned int now)
{
    const Uint32 elapsed = now - beforeTime;
    // Held keys turn only a carousel on screen: the walks reach a hidden scene's widgets too,
    // and a game started from the carousel plays a card that must stay chosen (and made).
    bool shown = true;
    for (const SceneObject *object = this; object != nullptr && shown; object = object->parent) {
        shown = object->visible;
    }
    if (repeatHeldKeys && manager != nullptr && shown) {
        RepeatHeldKey(now);
    }
    const int count = GetSize();
    if (targetAngle != currentAngle) {
        if (count == 0) {
            currentAngle = targetAngle;
        } else {
            // Turn the shorter way round. A jump of more than kLongJump items skips at once
            // to that many items before the target: the items passed over would only blur by.
            const double itemAngle = kFullTurn / count;
            double d = ShorterTurn(currentAngle - targetAngle);
            if (std::fabs(d) > kLongJump * itemAngle) {
                d = std::copysign(kLongJump * itemAngle, d);
                currentAngle = targetAngle + d;
            }
            // Proportional to the distance left, so the circle eases out, with a time constant
            // that grows with the number of items only up to kLongestEase, so that a long list
            // turns as briskly as a short one; it stops once less than kSettled items are left.
            const double ease = std::min(250.0 * count / kFullTurn, kLongestEase);
            const double step = elapsed * std::fabs(d) / ease;
            if (step > std::fabs(d) || std::fabs(d) - step < kSettled * itemAngle) {
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

void SpinSelector::PlaceItem(SpriteImage *item, double angle, bool chosen)
{
    SDL_Rect where;
    item->GetPosition(where);
    where.x = ToCoordinate(radius * std::cos(angle) + centerX);
    where.y = ToCoordinate(centerY - radius * std::sin(angle));
    item->SetPosition(where);
    if (item->active != chosen) {
        item->active = chosen;
    }
}

void SpinSelector::PlaceItems()
{
    if (maker) {
        PlaceMadeItems();
        return;
    }
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
            PlaceItem(item, angle, i == select);
        }
        ++i;
    }
}

void SpinSelector::DropItem(SpriteImage *item)
{
    selection->children.remove(item);
    delete item;
}

void SpinSelector::PlaceMadeItems()
{
    const int count = madeCount;
    if (!(maxSlots > 0 && count > maxSlots)) {
        // Every item has its own place on the circle.
        for (int i = 0; i < count; ++i) {
            SpriteImage *&item = made[i];
            if (item == nullptr && (item = maker(i, selection)) == nullptr) {
                made.erase(i);
                continue;
            }
            PlaceItem(item, baseAngle + currentAngle - kFullTurn * i / count, i == select);
        }
        return;
    }
    // The items that far (in items) from the chosen one stand within the window: less than half
    // of maxSlots places from the resting spot, at the same distance as with every item made.
    const double itemsAway = ShorterTurn(currentAngle - targetAngle) * count / kFullTurn;
    const int half = maxSlots / 2;
    const auto distance = [&](int index) {
        int d = (index - select) % count;
        if (d < -count / 2) {
            d += count;
        } else if (d >= count - count / 2) {
            d -= count;
        }
        return d;
    };
    const auto inWindow = [&](int d) {
        return d >= -count / 2 && d < count - count / 2 && std::fabs(itemsAway - d) < half;
    };
    // Those that left the window go first (the chosen one stays, seen or not).
    for (auto it = made.begin(); it != made.end();) {
        if (it->first != select && !inWindow(distance(it->first))) {
            DropItem(it->second);
            it = made.erase(it);
        } else {
            ++it;
        }
    }
    const double slotAngle = kFullTurn / maxSlots;
    const int nearest = static_cast<int>(std::floor(itemsAway));
    bool chosenPlaced = false;
    for (int d = nearest - half; d <= nearest + half + 1; ++d) {
        if (!inWindow(d)) {
            continue;
        }
        const int index = ((select + d) % count + count) % count;
        SpriteImage *&item = made[index];
        if (item == nullptr && (item = maker(index, selection)) == nullptr) {
            made.erase(index);
            continue;
        }
        item->visible = true;
        PlaceItem(item, baseAngle + slotAngle * (itemsAway - d), index == select);
        chosenPlaced = chosenPlaced || index == select;
    }
    if (!chosenPlaced) {
        // Still far off during a long turn: there, but hidden.
        SpriteImage *&item = made[select];
        if (item == nullptr && (item = maker(select, selection)) == nullptr) {
            made.erase(select);
            return;
        }
        item->visible = false;
        PlaceItem(item, baseAngle + slotAngle * itemsAway, true);
    }
}
