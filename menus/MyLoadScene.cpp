// MyLoadScene: creating, reloading and moving the two loading balls.
#include "menus/MyLoadScene.h"

#include <cmath>

#include "framework/SceneManager.h"
#include "widgets/SpriteImage.h"

namespace {

// The value of pi the ball motion uses; one turn takes 720 ms.
const double kPi = 3.1415;

void PlaceBall(SpriteImage *ball, double angle, int width, int height)
{
    int radius = height / 4;
    SDL_Rect rect{0, 0, 0, 0};
    rect.x = static_cast<Sint16>(static_cast<int>(width / 2 + std::sin(angle) * radius));
    rect.y = static_cast<Sint16>(static_cast<int>(height / 2 + std::cos(angle) * radius));
    ball->SetPosition(rect);
}

} // namespace

void MyLoadScene::Draw(SDL_Surface *) {}

void MyLoadScene::Init(void *)
{
    if (ball0 == nullptr) {
        ball0 = new SpriteImage(manager, this);
        ball1 = new SpriteImage(manager, this);
    }
    LoadBalls();
    angle = 0.0;
    PlaceBalls();
}

void MyLoadScene::Reload()
{
    if (ball0 != nullptr) {
        LoadBalls();
    }
}

void MyLoadScene::Idle(unsigned int now)
{
    angle = static_cast<Sint32>(now - startTime) * kPi / 360.0;
    PlaceBalls();
}

void MyLoadScene::LoadBalls()
{
    ball0->LoadImage(manager->GetContentsManager(), "ball0");
    ball1->LoadImage(manager->GetContentsManager(), "ball1");
}

void MyLoadScene::PlaceBalls()
{
    if (ball0 == nullptr) {
        return;
    }
    PlaceBall(ball0, angle, manager->GetWidth(), manager->GetHeight());
    PlaceBall(ball1, angle + kPi, manager->GetWidth(), manager->GetHeight());
}
