// KeyConfigScene: reading, capturing, drawing and saving the lane and menu key bindings.
#include "menus/KeyConfigScene.h"

#include <cstdio>

#include "config/ConfigReader.h"
#include "config/ConfigReaderWriter.h"
#include "content/ContentsManager.h"
#include "framework/KeyMapper.h"
#include "framework/SceneManager.h"
#include "platform/MessageCatalog.h"

namespace {

const Uint32 kBright = 0xFFFFFFFF;
const Uint32 kDim = 0xFF808080;
const int kLaneCount = 12;
const char *const kMenuKeys[] = {"left", "right", "up", "down", "ok", "cancel"};
// Default keys of lanes 1-4 (d, f, j, k); every other row defaults to key code 0.
const int kDefaultLaneKeys[] = {SDLK_d, SDLK_f, SDLK_j, SDLK_k};
const Uint32 kBlinkPeriod = 100; ///< ms; the waiting row shows for the first half

} // namespace

KeyConfigScene::KeyConfigScene(SceneManager *manager) : Scene(manager) {}

std::string KeyConfigScene::RowKey(int row)
{
    if (row < kLaneCount) {
        char key[16];
        snprintf(key, sizeof key, "key%d", row);
        return key;
    }
    return kMenuKeys[row - kLaneCount];
}

void KeyConfigScene::Init(void *)
{
    ContentsManager *contents = manager->GetContentsManager();
    ConfigReader config;
    config.ReadFile("config");
    KeyMapper mapper;

    for (int row = 0; row < kRowCount; row++) {
        const std::string key = RowKey(row);
        KeyAssign fallback;
        fallback.AssignKey(row < 4 ? kDefaultLaneKeys[row] : 0);
        std::string value;
        config.GetString(value, key, mapper.GetName(fallback));
        bindings[row] = mapper.GetID(value);
        labels[row].LoadString(contents, key, kBright);
        // Shown as read, also when it names no known input.
        brightNames[row].LoadString(contents, KeyMapper::GetShownName(value), kBright);
        dimNames[row].LoadString(contents, KeyMapper::GetShownName(value), kDim);
    }
    saveBright.LoadString(contents, Tr("Save"), kBright);
    saveDim.LoadString(contents, Tr("Save"), kDim);
    waiting = false;
}

void KeyConfigScene::Draw(SDL_Surface *screen)
{
    const int w = manager->GetWidth();
    const int h = manager->GetHeight();
    const int lineHeight = h / 20;
    for (int row = 0; row < kRowCount; row++) {
        const Sint16 y = static_cast<Sint16>((row + 1) * lineHeight);
        SDL_Rect labelAt{static_cast<Sint16>(w / 4), y, 0, 0};
        labels[row].Draw(screen, &labelAt);
        SDL_Rect valueAt{static_cast<Sint16>(w / 2), y, 0, 0};
        if (row != cursor) {
            dimNames[row].Draw(screen, &valueAt);
        } else if (!waiting || beforeTime % kBlinkPeriod < kBlinkPeriod / 2) {
            brightNames[row].Draw(screen, &valueAt);
        }
    }
    SDL_Rect saveAt{static_cast<Sint16>(w / 2), static_cast<Sint16>(19 * lineHeight), 0, 0};
    (cursor == kSaveItem ? saveBright : saveDim).Draw(screen, &saveAt);
}

void KeyConfigScene::Idle(unsigned int)
{
    if (!holdingBoundInput) {
        return;
    }
    if (swallowIdles > 0) {
        swallowIdles--;
        return;
    }
    if (!manager->AssignedKeyDown(boundInput)) {
        holdingBoundInput = false;
    }
}

void KeyConfigScene::Bind(const KeyAssign &binding)
{
    bindings[cursor] = binding;
    waiting = false;
    ContentsManager *contents = manager->GetContentsManager();
    KeyMapper mapper;
    const std::string name = KeyMapper::GetShownName(mapper.GetName(bindings[cursor]));
    brightNames[cursor].LoadString(contents, name, kBright);
    dimNames[cursor].LoadString(contents, name, kDim);
    // The menu event of the same press arrives in the next iteration or, for a joystick, the
    // one after; it is ignored, and so is every menu event until the input is released.
    holdingBoundInput = true;
    boundInput = binding;
    swallowIdles = 2;
}

void KeyConfigScene::Leave()
{
    leaving = true;
    manager->DeleteScene(this);
}

void KeyConfigScene::Event(SDL_Event *event)
{
    if (leaving) {
        return;
    }
    if (event->type == SDL_USEREVENT) {
        if (holdingBoundInput) {
            return;
        }
        switch (event->user.code) {
        case 2: // up
            cursor = cursor - 1 < 0 ? kSaveItem : cursor - 1;
            break;
        case 3: // down
            cursor = (cursor + 1) % (kSaveItem + 1);
            break;
        case 4: // ok
            if (cursor < kRowCount) {
                waiting = true;
            } else {
                Save();
                Leave();
            }
            break;
        case 5: // cancel
            Leave();
            break;
        default:
            break;
        }
        return;
    }
    if (!waiting || cursor >= kRowCount) {
        return;
    }
    KeyAssign binding;
    switch (event->type) {
    case SDL_KEYDOWN:
        binding.AssignKey(event->key.keysym.sym);
        break;
    case SDL_JOYBUTTONDOWN:
        binding.AssignButton(event->jbutton.which, event->jbutton.button);
        break;
    case SDL_JOYHATMOTION:
        // A hat coming back to the centre is a release, not a press: binding it would tie
        // the row to "no direction", which counts as held all the time.
        if (event->jhat.value == SDL_HAT_CENTERED) {
            return;
        }
        binding.AssignHat(event->jhat.which, event->jhat.hat, event->jhat.value);
        break;
    default:
        return;
    }
    Bind(binding);
}

void KeyConfigScene::Save()
{
    ConfigReaderWriter writer;
    writer.Open("config");
    KeyMapper mapper;
    for (int row = 0; row < kRowCount; row++) {
        writer.Write(RowKey(row), mapper.GetName(bindings[row]));
    }
    manager->SetLeft(bindings[12]);
    manager->SetUp(bindings[14]);
    manager->SetDown(bindings[15]);
    manager->SetRight(bindings[13]);
    manager->SetOk(bindings[16]);
    manager->SetCancel(bindings[17]);
    writer.Save();
}
