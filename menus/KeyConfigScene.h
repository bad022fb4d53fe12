// KeyConfigScene: the screen that binds a key, joystick button or hat to each lane and menu key.
#pragma once

#include <string>

#include "content/ImageSet.h"
#include "framework/KeyAssign.h"
#include "framework/Scene.h"

class NoticeText;

// Eighteen rows (lanes 1-12, then left, right, up, down, ok, cancel) and a "Save" item, each
// showing the input in effect: a lane's stored key or its default for the configured number of
// lanes, a menu input's bound key or its fixed key. Up and down move the cursor; ok on a row
// waits for the next key, button or hat press and binds it; ok on "Save" writes the rows bound
// here into "config" by name and applies the six menu bindings at once; cancel leaves without
// writing. A notice line at the top tells of an input bound to two rows and of a failed save.
class KeyConfigScene : public Scene
{
public:
    static constexpr int kRowCount = 18; ///< 12 lanes and 6 menu keys
    static constexpr int kSaveItem = 18; ///< cursor position of "Save"

    explicit KeyConfigScene(SceneManager *manager);
    ~KeyConfigScene() override = default;

    // Labels, binding names (the cursor's bright, blinking while waiting) and "Save".
    void Draw(SDL_Surface *screen) override;
    // Forgets the press that made the last binding once it is released (see Event).
    void Idle(unsigned int now) override;
    // Menu events move the cursor, start waiting, save or leave; while waiting, the first key,
    // joystick button or hat press is bound to the cursor's row.
    void Event(SDL_Event *event) override;
    // Reads the bindings from "config" and renders the names.
    void Init(void *data) override;

    // Writes the rows bound here into "config" and applies the menu bindings. False, with the
    // notice shown, when "config" could not be written.
    bool Save();

    // The configuration key of a row: "key0" .. "key11", "left" .. "cancel".
    static std::string RowKey(int row);
    // The label shown for a row: "Lane 1" .. "Lane 12", "Left" .. "Cancel".
    static std::string RowLabel(int row);
    // The input a row answers to: its binding, or for an unbound menu row its fixed key.
    KeyAssign InEffect(int row) const;
    // "<name> is bound to both <row> and <row>" for the first input in effect on two rows;
    // "" when there is none.
    std::string FindDoubleBinding() const;
    // "<name> on <lane> also pauses the game" (or leaves it) for the first lane in use whose
    // input the game also reads as pause (P, the "pause" binding) or Escape; "" when none.
    std::string FindPlayConflict() const;
    // Every row back to its default (lanes the layout of the number of lanes, menu inputs their
    // fixed keys); the next save removes the stored bindings that are not bound again.
    // The notice line ("" while there is none).
    const std::string &GetNotice() const;
    int GetCursor() const { return cursor; }
    bool IsWaiting() const { return waiting; }
    const KeyAssign &GetBinding(int row) const { return bindings[row]; }

    void ResetToDefaults();

private:
    // Binds the cursor's row and renders its name again.
    void Bind(const KeyAssign &binding);
    // Closes the screen (once).
    void Leave();
    // Renders the name of a row's input in effect.
    void RenderName(int row);
    // Shows the save failure, else the first double binding, else nothing.
    void ShowNotice();

    KeyAssign bindings[kRowCount];
    bool rebound[kRowCount] = {}; ///< bound on this screen: written by Save
    NoticeText *notice = nullptr; ///< child: double bindings, failed save
    std::string saveProblem;      ///< the failed save's notice; "" after a good one
    int cursor = 0;               ///< 0-17 a row, 18 "Save"
    bool waiting = false;         ///< the cursor's row waits for an input to bind
    ImageSet brightNames[kRowCount];
    ImageSet dimNames[kRowCount];
    ImageSet saveBright;
    ImageSet saveDim;
    ImageSet labels[kRowCount];
    // The press that made the last binding. It also produces a menu event an iteration later
    // (Escape a cancel, Return an ok ...); menu events are ignored until it is released, so
    // binding Escape does not close the screen and throw the new bindings away.
    bool holdingBoundInput = false;
    KeyAssign boundInput;   ///< that press's input
    int swallowIdles = 0;   ///< idle steps left in which menu events count as that press
    bool leaving = false;   ///< the scene asked for its deletion
    int keyNum = 4;         ///< lanes in use ("keynum")
    int textSize = 0;       ///< pixels: the font size of the rows, no taller than a line
    KeyAssign pauseBinding; ///< the game's extra pause input ("pause"); unbound when none
    bool resetAll = false;  ///< Backspace reset every row: the save removes what is not rebound
    ImageSet help;          ///< the screen's keys, bottom left
};
