// keyrise-widgets: builds a scene with every display widget and every game picture, runs it
// headless on a hand-set clock and writes the screen to a PNG file.
//
// Usage: keyrise-widgets [source-dir [out.png]]   (defaults: . and docs/widgets.png)
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "content/ContentsManager.h"
#include "content/NumWriter.h"
#include "framework/Scene.h"
#include "framework/SceneManager.h"
#include "widgets/AnimationImage.h"
#include "widgets/AnimationMeter.h"
#include "widgets/BaroMeter.h"
#include "widgets/Effect.h"
#include "widgets/FrameImage.h"
#include "widgets/RateImage.h"
#include "widgets/SpinSelector.h"
#include "widgets/SpriteImage.h"
#include "widgets/StringSelector.h"

namespace {

const char *const kFont = "/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf";
const int kWidth = 1024;
const int kHeight = 800;
const Uint32 kLabelColour = 0xFFB0B8C0;
const int kLabelSize = 13;

// The showcase: pictures and widgets laid out on one screen, with a small label under each.
class WidgetScene : public Scene
{
public:
    NumWriter imageDigits;
    ImageSet effectImage;

    explicit WidgetScene(SceneManager *manager) : Scene(manager) {}

    ContentsManager *Contents() { return manager->GetContentsManager(); }

    SpriteImage *Picture(const std::string &name, int x, int y, int percent = 100)
    {
        SpriteImage *sprite = new SpriteImage(manager, this);
        sprite->LoadImage(Contents(), name, percent, percent);
        Place(sprite, x, y);
        int height = sprite->surface != nullptr ? sprite->surface->h : 0;
        Label(name, x, y + height + 1);
        return sprite;
    }

    void Label(const std::string &text, int x, int y)
    {
        SpriteImage *label = new SpriteImage(manager, this);
        label->LoadString(Contents(), text, kLabelColour, kLabelSize);
        Place(label, x, y);
    }

    static void Place(SceneObject *object, int x, int y)
    {
        SDL_Rect at{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        object->SetRelativePosition(at);
    }

    void Build()
    {
        // Top strip: judgement effects sink from y 0 to 10 over their second of life.
        effectImage.LoadImage(Contents(), "ball0");
        Label("Effect x 3: 500, 255 and 55 ms old", 136, 12);

        // Pictures of the menus.
        Picture("logo", 8, 56, 50);
        Picture("bg", 276, 56);
        Picture("bg2", 688, 56);

        FrameImage *frame = new FrameImage(manager, this);
        frame->LoadFrameImage("frame", 220, 170);
        Place(frame, 796, 56);
        Label("frame (FrameImage 220 x 170)", 796, 228);
        BuildStringSelectors(806, 70);

        RateImage *best = new RateImage(manager, this);
        best->SetRate(10);
        Place(best, 276, 196);
        RateImage *worst = new RateImage(manager, this);
        worst->SetRate(0);
        Place(worst, 476, 196);
        Label("RateImage SSS and G", 276, 300);

        BuildMeters(8, 330);
        BuildCarousel(700, 440);
        BuildBalls(8, 610);
        BuildNumbers(8, 720);
    }

    void BuildStringSelectors(int x, int y)
    {
        StringSelector *active = new StringSelector(manager, this);
        active->PushString("\x83\x51\x81\x5B\x83\x80");                 // "Game"
        active->PushString("\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93"); // "Option"
        active->PushString("\x8F\x49\x97\xB9");                         // "Exit"
        active->SetLeftArrow("left_arrow");
        active->SetRightArrow("right_arrow");
        active->SetRect(SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y), 200, 0});
        active->SetSelect(1);

        StringSelector *inactive = new StringSelector(manager, this);
        inactive->PushString("Auto Play");
        inactive->PushString("Self Play");
        inactive->SetLeftArrow("left_arrow");
        inactive->SetRightArrow("right_arrow");
        inactive->SetRect(SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y + 40), 200, 0});
        inactive->active = false;

        StringSelector *first = new StringSelector(manager, this);
        first->PushString("4 keys");
        first->PushString("5 keys");
        first->SetLeftArrow("left_arrow");
        first->SetRightArrow("right_arrow");
        first->SetRect(SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y + 80), 200, 0});
        Label("StringSelector x 3", x, y + 124);
    }

    void BuildMeters(int x, int y)
    {
        BaroMeter *gauge = new BaroMeter(manager, this);
        gauge->LoadImage(Contents(), "meter");
        gauge->SetValue(62.5);
        Place(gauge, x, y);
        Label("meter (BaroMeter 62.5)", x, y + 258);

        const char *names[5] = {"excMeter", "goodMeter", "okMeter", "badMeter", "comboMeter"};
        const char *captions[5] = {"EXCELLENT", "GOOD", "OK", "BAD", "COMBO"};
        const double targets[5] = {90, 65, 40, 15, 75};
        for (int i = 0; i < 5; ++i) {
            AnimationMeter *meter = new AnimationMeter(manager, this);
            meter->LoadImage(Contents(), names[i]);
            meter->SetValue(0);
            meter->SetTargetValue(targets[i]);
            meter->SetSpeed(targets[i] / 500);
            meter->SetCaption(captions[i], 0xFFFFFFFF, 16);
            Place(meter, x + 120 + i * 112, y + 60);
            Label(names[i], x + 120 + i * 112, y + 186);
        }
        Label("AnimationMeter with captions, after 500 ms", x + 120, y + 210);
    }

    void BuildCarousel(int x, int y)
    {
        SpinSelector *carousel = new SpinSelector(manager, this);
        SpinSelectorParameter parameter{
            SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0}, 120, 4};
        carousel->Init(&parameter);
        for (int i = 0; i < 6; ++i) {
            FrameImage *card = new FrameImage(manager, carousel->GetSelectionParent());
            card->LoadFrameImage("frame", 96, 44);
            SpriteImage *text = new SpriteImage(manager, card);
            text->LoadString(Contents(), "Song " + std::to_string(i + 1), 0xFFFFFFFF, 16);
            Place(text, 14, 12);
        }
        carousel->SetSelect(1);
        Label("SpinSelector, turning to Song 2", x, y - 140);
    }

    void BuildBalls(int x, int y)
    {
        std::vector<std::string> names{"ball", "ball0", "ball1"};
        for (int k = 0; k < 12; ++k) {
            names.push_back("key" + std::to_string(k));
        }
        int at = x;
        for (const std::string &name : names) {
            SpriteImage *sprite = Picture(name, at, y);
            at += (sprite->surface != nullptr ? sprite->surface->w : 32) + 4;
        }
    }

    void BuildNumbers(int x, int y)
    {
        Picture("Combo", x, y);
        Picture("num", x + 150, y);
        imageDigits.Init(Contents(), "num", 100, 100);

        AnimationImage *strip = new AnimationImage(manager, this);
        strip->LoadImage(Contents(), "num");
        strip->SetFramesFromWidth(strip->sourceRect.w / 10);
        strip->SetInterval(100);
        Place(strip, x + 470, y);
        Label("AnimationImage", x + 470, y + 42);
        Label("NumWriter: num image, font", x + 532, y + 60);
    }

    void Draw(SDL_Surface *screen) override
    {
        // Numbers are printed straight onto the screen.
        SDL_Rect imageAt{8 + 532, 720, 0, 0};
        int end = imageDigits.Print(1203, screen, &imageAt, -1);
        SDL_Rect fontAt{static_cast<Sint16>(end + 16), 722, 0, 0};
        manager->GetNumWriter()->Print(9876543, screen, &fontAt, -1);
    }

    void AddEffect()
    {
        static int count = 0;
        Effect *effect = new Effect(manager, this);
        effect->image = &effectImage;
        effect->rect = SDL_Rect{static_cast<Sint16>(8 + 40 * count++), 0, 0, 0};
    }
};

// The text as one word for the shell, whatever quotes or spaces a path holds.
std::string ShellQuote(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

int main(int argc, char **argv)
{
    const std::string source = argc > 1 ? argv[1] : ".";
    const std::string output = argc > 2 ? argv[2] : "docs/widgets.png";
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    Uint32 clock = 0;
    int result = 1;
    {
        SceneManager manager;
        manager.SetTimeSource([&clock]() { return clock; }, [](Uint32) {});
        if (!manager.Init(kFont, 24, source + "/assets/image", "png", source + "/assets/wav",
                          "wav") ||
            manager.CreateWindow(kWidth, kHeight, 32, 0) == nullptr) {
            std::fprintf(stderr, "keyrise-widgets: cannot start SDL: %s\n", SDL_GetError());
            return 1;
        }
        manager.SetClearColor(0x202830);
        WidgetScene *scene = new WidgetScene(&manager);
        scene->Build();

        // Run the widgets for 500 ms. Effects are added before the walks at 0, 250 and 450 ms
        // and start at the scene's last walk (0, 245 and 445 ms), so at the end they show
        // three ages and heights.
        for (clock = 0; clock <= 500; clock += 5) {
            if (clock == 0 || clock == 250 || clock == 450) {
                scene->AddEffect();
            }
            manager.IdleObject(scene, clock);
        }
        manager.ClearScreen();
        manager.DrawObject(scene, manager.GetScreen());

        const std::string bmp = output + ".bmp";
        if (SDL_SaveBMP(manager.GetScreen(), bmp.c_str()) == 0) {
            const std::string command =
                "convert " + ShellQuote(bmp) + " " + ShellQuote("png:" + output);
            result = std::system(command.c_str()) == 0 ? 0 : 1;
            std::remove(bmp.c_str());
        }
        delete scene;
    }
    if (result == 0) {
        std::printf("wrote %s\n", output.c_str());
    } else {
        std::fprintf(stderr, "keyrise-widgets: cannot write %s\n", output.c_str());
    }
    return result;
}
