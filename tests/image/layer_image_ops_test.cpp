// The operations on layer nodes mark their parent over the old and the new
// area of the layer they change.
#include <gtest/gtest.h>

#include "core/tree.h"
#include "effects_test_support.h"
#include "image/compose_ops.h"
#include "image/effects.h"

namespace {

struct Scene {
    FxLayer parent{40, 40}, a{4, 4}, b{2, 2};
    TreeNode pn{}, an{}, bn{};
    Scene()
    {
        pn.payload = parent.s;
        an.payload = a.s;
        bn.payload = b.s;
        an.parent = bn.parent = &pn;
        an.name = (char *)"a";
        bn.name = (char *)"b";
        a.s->x = 10;
        a.s->y = 12;
        b.s->x = 30;
        b.s->y = 30;
    }
    const LayerRect &dirty() const { return parent.s->dirty; }
};

TEST(LayerImageOps, EffectMarksOldAndNewArea)
{
    fx_setup();
    Scene sc;
    // A shrinks to the 2 x 1 rectangle: the parent is marked over A's old 4 x 4 area.
    ASSERT_EQ(apply_effect(25, &sc.an, nullptr, 1, 1, 2, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(sc.a.s->width, 2);
    EXPECT_EQ(sc.a.s->height, 1);
    EXPECT_EQ(sc.parent.s->dirty_flag, 1);
    EXPECT_EQ(sc.parent.s->needs_redraw, 1);
    EXPECT_EQ(sc.dirty().left, 10);
    EXPECT_EQ(sc.dirty().top, 12);
    EXPECT_EQ(sc.dirty().right, 13);
    EXPECT_EQ(sc.dirty().bottom, 15);
}

TEST(LayerImageOps, ComposeAndCanvasMarkTheDestination)
{
    fx_setup();
    Scene sc;
    ASSERT_EQ(blit_object(&sc.an, &sc.bn, 0, 0), 0);
    EXPECT_EQ(sc.dirty().left, 30);
    EXPECT_EQ(sc.dirty().bottom, 31);
    // B grows by 3 on the right: the new area is marked too.
    ASSERT_EQ(resize_layer_canvas(&sc.an, &sc.bn, 1, 0, 3, 0, 0), 0);
    EXPECT_EQ(sc.b.s->width, 7);
    EXPECT_EQ(sc.dirty().right, 36);
    EXPECT_EQ(paste_sprite(&sc.an, &sc.bn), 0);
}

}  // namespace
