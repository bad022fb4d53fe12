// KeyConfigScene: reading, capturing, drawing and saving the lane and menu key bindings.
#include "menus/KeyConfigScene.h"

#include <string>

#include "config/ConfigReader.h"
#include "config/ConfigReaderWriter.h"
#include "config/PlaySettings.h"
#include "config/SettingKeys.h"
#include "content/ContentsManager.h"
#include "framework/KeyMapper.h"
#include "framework/SceneManager.h"
#include "game/LaneKeys.h"
#include "menus/SaveNotice.h"
#include "platform/GamePaths.h"
#include "text/MessageCatalog.h"
#include "widgets/NoticeText.h"

namespace {

const Uint32 kBright = 0xFFFFFFFF;
const Uint32 kDim = 0xFF808080;
const int kLaneCount = 12;
const char *const kMenuKeys[] = {"left", "right", "up", "down", "ok", "cancel"};
const char *const kMenuLabels[] = {TrNoop("Left"), TrNoop("Right"), TrNoop("Up"),
                                   TrNoop("Down"), TrNoop("OK"),    TrNoop("Cancel")};
// The keys the menu inputs always answer to, whatever else is bound to them.
const int kFixedMenuKeys[] = {SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_DOWN, SDLK_RETURN, SDLK_ESCAPE};
const Uint32 kBlinkPeriod = 100; ///< ms; the waiting row shows for the first half

bool IsUnbound(const KeyAssign &binding)
{
    return binding.kind == 0 && binding.code == 0;
}

} // namespace

KeyConfigScene::KeyConfigScene(SceneManager *manager) : Scene(manager) {}

std::string KeyConfigScene::RowKey(int row)
{
    if (row < kLaneCount) {
        return LaneKeys::ConfigKey(row);
    }
    return kMenuKeys[row - kLaneCount];
}

std::string KeyConfigScene::RowLabel(int row)
{
    if (row < kLaneCount) {
        return FormatText(Tr("Lane %d"), row + 1);
    }
    return Tr(kMenuLabels[row - kLaneCount]);
}

KeyAssign KeyConfigScene::InEffect(int row) const
{
    if (row >= kLaneCount && IsUnbound(bindings[row])) {
        KeyAssign fixed;
        fixed.AssignKey(kFixedMenuKeys[row - kLaneCount]);
        return fixed;
    }
    return bindings[row];
}

void KeyConfigScene::RenderName(int row)
{
    ContentsManager *contents = manager->GetContentsManager();
    KeyMapper mapper;
    const KeyAssign binding = InEffect(row);
    // An unbound lane (beyond the default layout of the lane count) shows a dash.
    const std::string name =
        IsUnbound(binding) ? "-" : KeyMapper::GetShownName(mapper.GetName(binding));
    brightNames[row].LoadString(contents, name, kBright);
    dimNames[row].LoadString(contents, name, kDim);
}

std::string KeyConfigScene::FindDoubleBinding() const
{
    KeyMapper mapper;
    for (int row = 0; row < kRowCount; row++) {
        const KeyAssign first = InEffect(row);
        if (IsUnbound(first)) {
            continue;
        }
        for (int other = row + 1; other < kRowCount; other++) {
            if (InEffect(other) == first) {
                return FormatText(Tr("%s is bound to both %s and %s"),
                                  KeyMapper::GetShownName(mapper.GetName(first)).c_str(),
                                  RowLabel(row).c_str(), RowLabel(other).c_str());
            }
        }
    }
    return "";
}

void KeyConfigScene::ShowNotice()
{
    if (notice != nullptr) {
        notice->Show(saveProblem.empty() ? FindDoubleBinding() : saveProblem, 0);
    }
}

void KeyConfigScene::Init(void *)
{
    ContentsManager *contents = manager->GetContentsManager();
    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    KeyMapper mapper;
    const int keyNum = PlaySettings::Read(config).keyNum;

    for (int row = 0; row < kRowCount; row++) {
        if (row < kLaneCount) {
            bindings[row] = LaneKeys::Read(config, mapper, row, keyNum);
        } else {
            std::string value;
            config.GetString(value, RowKey(row), "");
            bindings[row] = mapper.GetID(value);
        }
        rebound[row] = false;
        labels[row].LoadString(contents, RowLabel(row), kBright);
        RenderName(row);
    }
    saveBright.LoadString(contents, Tr("Save"), kBright);
    saveDim.LoadString(contents, Tr("Save"), kDim);
    waiting = false;
    notice = new NoticeText(manager, this);
    ShowNotice();
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
    rebound[cursor] = true;
    waiting = false;
    RenderName(cursor);
    ShowNotice();
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
            } else if (Save()) {
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

bool KeyConfigScene::Save()
{
    ConfigReaderWriter writer;
    writer.ownKey = IsSettingKey;
    writer.Open(Paths().ConfigFile());
    KeyMapper mapper;
    // Only rows bound on this screen are written: a lane left at its default keeps following
    // the layout of the number of lanes, a menu key its fixed key.
    for (int row = 0; row < kRowCount; row++) {
        if (rebound[row]) {
            writer.Write(RowKey(row), mapper.GetName(bindings[row]));
        }
    }
    manager->SetLeft(bindings[12]);
    manager->SetUp(bindings[14]);
    manager->SetDown(bindings[15]);
    manager->SetRight(bindings[13]);
    manager->SetOk(bindings[16]);
    manager->SetCancel(bindings[17]);
    // Saved without entries the file held: told like a failure, so the screen stays until the
    // player has read it; saving again leaves.
    saveProblem = writer.Save() ? LeftOutNotice(writer.path, writer.leftOut)
                                : SettingsSaveNotice(writer.path, writer.readProblem);
    ShowNotice();
    return saveProblem.empty();
}

const std::string &KeyConfigScene::GetNotice() const
{
    return NoticeText::TextOf(notice);
}
