// SelectionContainer: the parent of a carousel's items; its children are the items in order.
#pragma once

#include "framework/SceneObject.h"

class SelectionContainer : public SceneObject
{
public:
    SelectionContainer(SceneManager *manager, SceneObject *parent) : SceneObject(manager, parent) {}
};
