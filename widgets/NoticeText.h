// NoticeText: one line of text telling the player about a problem (no sound, a file not saved).
#pragma once

#include <string>

#include "widgets/SpriteImage.h"

// A sprite holding one line of text in a warning colour, centred across the screen. The text
// is rendered at the default font size, or smaller when the line would be wider than the
// screen, so that it is always read in full. An empty text shows nothing.
class NoticeText : public SpriteImage
{
public:
    NoticeText(SceneManager *manager, SceneObject *parent);

    // Shows 'text' with its top 'y' pixels from the top of the screen.
    void Show(const std::string &text, int y);
    // Renders the text again for the new screen (the cache dropped its pictures).
    void Reload() override;
    const std::string &GetText() const { return text; }
    // The text of 'notice', or "" for none (a scene asked before its Init).
    static const std::string &TextOf(const NoticeText *notice);

private:
    std::string text; ///< the line shown; empty: nothing
    int top = 0;      ///< px from the top of the screen
};
