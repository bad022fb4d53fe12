// Scene: the root of one full-screen tree of scene objects (no parent, no behaviour of its own).
#pragma once

#include "framework/SceneObject.h"

class Scene : public SceneObject
{
public:
    explicit Scene(SceneManager *manager) : SceneObject(manager, nullptr) {}
};
