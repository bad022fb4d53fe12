// KeyConfigScene: reading, capturing, drawing and saving the lane and menu key bindings.
#include "menus/KeyConfigScene.h"

#include <string>
#include <vector>

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
    const int w = manager->GetWidth();
    brightNames[row].LoadStringWithin(contents, name, kBright, textSize, w / 2 - w / 50);
    dimNames[row].LoadStringWithin(contents, name, kDim, textSize, w / 2 - w / 50);
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
        std::string text = saveProblem.empty() ? FindDoubleBinding() : saveProblem;
        if (text.empty()) {
            text = FindPlayConflict();
        }
        notice->Show(text, 0);
    }
}

void KeyConfigScene::Init(void *)
{
    ContentsManager *contents = manager->GetContentsManager();
    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());
    KeyMapper mapper;
    keyNum = PlaySettings::Read(config).keyNum;
    std::string pauseName;
    config.GetString(pauseName, "pause", "");
    pauseBinding = pauseName.empty() ? KeyAssign() : mapper.GetID(pauseName);

    // Twenty lines fill the height (the rows, "Save" and the margin above them): the texts
    // are no taller than a line, smaller than the default size on a low window.
    const int w = manager->GetWidth();
    const int lineHeight = manager->GetHeight() / 20;
    textSize = contents->GetDefaultFontSize();
    // A rendering grows with glyphs that reach above or below the font's line: the probe has
    // such glyphs of either language.
    const char *const probe = "\xC3\x81gjy|\xE6\xBC\xA2";
    for (SDL_Surface *tall = contents->GetString(textSize, probe);
         textSize > 6 && tall != nullptr && tall->h > lineHeight;
         tall = contents->GetString(textSize, probe)) {
        textSize--;
    }
    for (int row = 0; row < kRowCount; row++) {
        if (row < kLaneCount) {
            bindings[row] = LaneKeys::Read(config, mapper, row, keyNum);
        } else {
            std::string value;
            config.GetString(value, RowKey(row), "");
            bindings[row] = mapper.GetID(value);
        }
        rebound[row] = false;
        labels[row].LoadStringWithin(contents, RowLabel(row), kBright, textSize, w / 4 - w / 50);
        RenderName(row);
    }
    saveBright.LoadStringWithin(contents, Tr("Save"), kBright, textSize, w / 2 - w / 50);
    saveDim.LoadStringWithin(contents, Tr("Save"), kDim, textSize, w / 2 - w / 50);
    // The keys of the screen, bottom left, clear of the "Save" item in the middle.
    help.LoadStringWithin(contents, Tr("Return: bind   Escape: cancel   Backspace: defaults"), kDim,
                          textSize, w / 2 - w / 50);
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
    SDL_Rect helpAt{static_cast<Sint16>(w / 100), static_cast<Sint16>(19 * lineHeight), 0, 0};
    help.Draw(screen, &helpAt);
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
    if (event->type == SDL_KEYDOWN && !waiting && event->key.keysym.sym == SDLK_BACKSPACE) {
        ResetToDefaults();
        return;
    }
    if (!waiting || cursor >= kRowCount) {
        return;
    }
    if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE) {
        // Escape gives up the pending binding; its cancel event, which follows, is swallowed
        // like that of a press that binds.
        waiting = false;
        holdingBoundInput = true;
        boundInput.AssignKey(SDLK_ESCAPE);
        swallowIdles = 2;
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
        } else if (resetAll) {
            // Back to the default: no entry, so the lane follows the number of lanes again.
            writer.Erase(RowKey(row));
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

std::string KeyConfigScene::FindPlayConflict() const
{
    KeyMapper mapper;
    KeyAssign pauseKey;
    pauseKey.AssignKey(SDLK_p);
    KeyAssign escape;
    escape.AssignKey(SDLK_ESCAPE);
    for (int lane = 0; lane < keyNum && lane < kLaneCount; lane++) {
        const KeyAssign &binding = bindings[lane];
        if (IsUnbound(binding)) {
            continue;
        }
        const std::string name = KeyMapper::GetShownName(mapper.GetName(binding));
        if (binding == pauseKey || (!IsUnbound(pauseBinding) && binding == pauseBinding)) {
            return FormatText(Tr("%s on %s also pauses the game"), name.c_str(),
                              RowLabel(lane).c_str());
        }
        if (binding == escape) {
            return FormatText(Tr("%s on %s also leaves the game"), name.c_str(),
                              RowLabel(lane).c_str());
        }
    }
    return "";
}

void KeyConfigScene::ResetToDefaults()
{
    const std::vector<int> keys = LaneKeys::DefaultKeys(keyNum);
    for (int row = 0; row < kRowCount; row++) {
        bindings[row] = KeyAssign();
        if (row < kLaneCount && row < static_cast<int>(keys.size())) {
            bindings[row].AssignKey(keys[static_cast<size_t>(row)]);
        }
        rebound[row] = false;
        RenderName(row);
    }
    resetAll = true;
    ShowNotice();
}

const std::string &KeyConfigScene::GetNotice() const
{
    return NoticeText::TextOf(notice);
}
