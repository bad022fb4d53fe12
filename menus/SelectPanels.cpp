// SelectPanels: building and placing the song selection's panels.
#include "menus/SelectPanels.h"

#include <SDL.h>

#include <algorithm>

#include "content/ContentsManager.h"
#include "framework/SceneManager.h"
#include "text/MessageCatalog.h"
#include "widgets/AnimationMeter.h"
#include "widgets/FrameImage.h"
#include "widgets/RateImage.h"
#include "widgets/SpriteImage.h"

namespace {
const Uint32 kWhite = 0xFFFFFFFF;
} // namespace

SelectPanels SelectPanels::Build(SceneManager *manager, SceneObject *parent, const char *searchHelp)
{
    SelectPanels panels;
    ContentsManager *contents = manager->GetContentsManager();
    const int w = manager->GetWidth();
    const int h = manager->GetHeight();

    // Rate panel: background, rate and frame at one spot, the frame drawn last.
    const Sint16 panel = static_cast<Sint16>(w / 100);
    SDL_Rect panelAt{panel, panel, 0, 0};
    SpriteImage *panelBackground = new SpriteImage(manager, parent);
    panels.rate = new RateImage(manager, parent);
    FrameImage *panelFrame = new FrameImage(manager, parent);
    panelBackground->LoadImage(contents, "bg2", panels.rate->GetWidth(), panels.rate->GetHeight());
    panels.rate->SetRate(-1);
    panelFrame->LoadFrameImage("frame", panels.rate->GetWidth(), panels.rate->GetHeight());
    panelBackground->SetPosition(panelAt);
    panels.rate->SetPosition(panelAt);
    panelFrame->SetPosition(panelAt);

    // Help lines at the bottom left, stacked upwards from the bottom edge, the first line lowest.
    const int fontSize = contents->GetDefaultFontSize();
    int helpTop = h;
    for (const char *help : {TrNoop("←→ Song"), TrNoop("↑↓ Part"),
                             TrNoop("Return: play   F2: demo   Escape: back"), searchHelp}) {
        SpriteImage *line = new SpriteImage(manager, parent);
        line->LoadString(contents, Tr(help), kWhite, fontSize);
        helpTop -= line->surface ? line->sourceRect.h : 0;
        SDL_Rect at{0, static_cast<Sint16>(helpTop), 0, 0};
        line->SetPosition(at);
        if (help == searchHelp) {
            panels.searchHelp = line;
        }
    }

    // Meters side by side from the left edge at half height, or higher when the help lines
    // need the room. A caption wider than its meter is centred under it, so each meter leaves
    // room for half the overhang on either side.
    struct MeterSpec
    {
        AnimationMeter **meter;
        const char *image;
        const char *caption;
    };
    const MeterSpec meters[] = {
        {&panels.density, "okMeter", Tr("Density")},
        {&panels.tempo, "goodMeter", Tr("Tempo")},
        {&panels.length, "badMeter", Tr("Length")},
    };
    int x = w / 100;
    panels.metersTop = h;
    for (const MeterSpec &spec : meters) {
        AnimationMeter *meter = new AnimationMeter(manager, parent);
        meter->LoadImage(contents, spec.image, w / 10, h / 4);
        // An empty bar until the first level arrives (a fresh image would show whole).
        meter->SetValue(0);
        meter->SetCaption(spec.caption, kWhite, -1);
        meter->SetSpeed(0.1);
        const int overhang = std::max(0, meter->GetWidth() - meter->sourceRect.w) / 2;
        const int tall = meter->sourceRect.h + meter->caption->sourceRect.h; // caption below
        const int top = std::min(h / 2, helpTop - h / 100 - tall);
        SDL_Rect at{static_cast<Sint16>(x + overhang), static_cast<Sint16>(std::max(0, top)), 0, 0};
        meter->SetPosition(at);
        panels.metersTop = std::min(panels.metersTop, static_cast<int>(at.y));
        x += meter->GetWidth() + w / 100;
        *spec.meter = meter;
    }
    panels.metersRight = x;
    return panels;
}
