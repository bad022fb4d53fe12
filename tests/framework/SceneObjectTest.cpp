// Tests of the scene object tree: positions, the change marker and its callbacks, ownership.
#include <gtest/gtest.h>

#include "framework/SceneObject.h"
#include "support/RecordingObject.h"

namespace {

TEST(SceneObjectTest, PositionsAddUpThroughTheTree)
{
    SceneObject root(nullptr, nullptr);
    SDL_Rect r{10, 20, 300, 200};
    root.SetRelativePosition(r);
    SceneObject *child = new SceneObject(nullptr, &root);
    SDL_Rect c{5, 5, 7, 7};
    child->SetRelativePosition(c);
    SceneObject *grandchild = new SceneObject(nullptr, child);
    SDL_Rect g{1, 2, 0, 0};
    grandchild->SetRelativePosition(g);

    SDL_Rect abs;
    grandchild->GetPosition(abs);
    EXPECT_EQ(abs.x, 16);
    EXPECT_EQ(abs.y, 27);
    EXPECT_EQ(abs.w, 300); // the topmost ancestor's size
    EXPECT_EQ(abs.h, 200);

    SDL_Rect origin{0, 0, 99, 99};
    grandchild->SetPosition(origin);
    EXPECT_EQ(grandchild->position.x, -15);
    EXPECT_EQ(grandchild->position.y, -25);
    EXPECT_EQ(grandchild->position.w, 0); // size untouched

    // Without a parent the position is absolute.
    SDL_Rect moved{-3, 40, 1, 1};
    root.SetPosition(moved);
    EXPECT_EQ(root.position.x, -3);
    EXPECT_EQ(root.position.y, 40);
    EXPECT_EQ(root.position.w, 300);
    root.GetPosition(abs);
    EXPECT_EQ(abs.x, -3);
    EXPECT_EQ(abs.w, 300);
}

struct Calls
{
    std::vector<int> order;
    SceneObject *object = nullptr;
};

void First(void *arg)
{
    Calls *calls = static_cast<Calls *>(arg);
    calls->order.push_back(1);
    // A callback registered during the calls is called in the same round.
    if (calls->order.size() == 1) {
        calls->object->PushChangedEvent(
            [](void *a) { static_cast<Calls *>(a)->order.push_back(3); }, arg);
    }
}

void Second(void *arg)
{
    static_cast<Calls *>(arg)->order.push_back(2);
}

TEST(SceneObjectTest, ChangedRunsEveryCallbackInOrderWithItsArgument)
{
    SceneObject object(nullptr, nullptr);
    object.Changed(); // no callbacks, no manager: marks nothing harmful
    Calls calls;
    calls.object = &object;
    Calls other;
    object.PushChangedEvent(First, &calls);
    object.PushChangedEvent(Second, &other);
    object.Changed();
    EXPECT_EQ(calls.order, (std::vector<int>{1, 3}));
    EXPECT_EQ(other.order, (std::vector<int>{2}));
    object.Changed();
    EXPECT_EQ(calls.order, (std::vector<int>{1, 3, 1, 3}));
}

TEST(SceneObjectTest, DestroyingARootDestroysTheWholeTreeParentsFirst)
{
    CallLog log;
    RecordingObject *root = new RecordingObject(nullptr, nullptr, "root", &log);
    RecordingObject *a = new RecordingObject(nullptr, root, "a", &log);
    new RecordingObject(nullptr, a, "a1", &log);
    new RecordingObject(nullptr, root, "b", &log);
    delete root;
    std::vector<std::string> expected = {"root:~", "a:~", "a1:~", "b:~"};
    EXPECT_EQ(log.Lines(), expected);
}

} // namespace
