#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "ui/AuroraEffect.h"
#include "ui/KeyboardCtrl.h"

namespace zanvor {
namespace {

constexpr int kControlId = 1042;

// Three keys in a row, 50 px apart, as the layout loader adds them.
class KeyboardCtrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ctrl.SetEventSink([this](int id, int event) { events.emplace_back(id, event); });
        ctrl.AddKeyItem("Q", "Letter Q", 0x14, {0, 0, 48, 48}, "", 0x604E3A);
        ctrl.AddKeyItem("W", "Letter W", 0x1A, {50, 0, 98, 48}, "", 0x604E3A);
        ctrl.AddKeyItem("E", "Letter E", 0x08, {100, 0, 148, 48}, "", 0x604E3A);
    }

    uint32_t ColorOf(int code) {
        KeyItem item;
        EXPECT_TRUE(ctrl.GetKeyItem(code, item));
        return item.color;
    }

    KeyboardCtrl ctrl{kControlId};
    std::vector<std::pair<int, int>> events;
};

TEST_F(KeyboardCtrlTest, ClickMakesTheKeyCurrentAndRaisesTheEvent) {
    ctrl.ClickKey(0x1A);
    EXPECT_EQ(ctrl.GetSelectKey(), 0x1A);
    EXPECT_EQ(ctrl.GetSelectedKeys(), (std::vector<int>{0x1A}));
    ctrl.ClickKey(0x08, /*add=*/true);
    EXPECT_EQ(ctrl.GetSelectKey(), 0x08);
    EXPECT_EQ(ctrl.GetSelectedKeys(), (std::vector<int>{0x1A, 0x08}));
    ctrl.ClickKey(0x14);
    EXPECT_EQ(ctrl.GetSelectedKeys(), (std::vector<int>{0x14}));

    const std::pair<int, int> click{kControlId, KeyboardCtrl::kEventKeyClicked};
    EXPECT_EQ(events, (std::vector<std::pair<int, int>>{click, click, click}));

    // A click beside every key changes nothing and raises nothing.
    ctrl.ClickKey(0x99);
    EXPECT_EQ(ctrl.GetSelectKey(), 0x14);
    EXPECT_EQ(events.size(), 3u);

    ctrl.ResetAllItemCheck(0);
    EXPECT_EQ(ctrl.GetSelectKey(), 0);
    EXPECT_TRUE(ctrl.GetSelectedKeys().empty());
}

TEST_F(KeyboardCtrlTest, PaintingHappensOnlyInThePerKeyColourMode) {
    ctrl.SetAllSelectColor(0x0000FF);  // nothing selected yet: only the paint colour changes
    EXPECT_EQ(ColorOf(0x14), 0x604E3Au);
    EXPECT_EQ(ctrl.GetPaintColor(), 0x0000FFu);

    ctrl.ClickKey(0x14);  // plain mode: selected, not painted
    EXPECT_EQ(ColorOf(0x14), 0x604E3Au);

    ctrl.SetKeyboardCtrlMode(KeyboardCtrl::kModePerKeyColor);
    ctrl.ClickKey(0x1A);
    EXPECT_EQ(ColorOf(0x1A), 0x0000FFu);
    EXPECT_EQ(ColorOf(0x14), 0x604E3Au);

    // Dragging over W and E (not Q) selects and paints both.
    ctrl.SetAllSelectColor(0x00FF00);  // paints the selected W
    ctrl.SelectArea({60, 10, 120, 20});
    EXPECT_EQ(ctrl.GetSelectedKeys(), (std::vector<int>{0x1A, 0x08}));
    EXPECT_EQ(ctrl.GetSelectKey(), 0x1A);
    EXPECT_EQ(ColorOf(0x08), 0x00FF00u);
    EXPECT_EQ(ColorOf(0x14), 0x604E3Au);
    EXPECT_EQ(events.back(), std::make_pair(kControlId, KeyboardCtrl::kEventAreaSelected));

    // An empty area clears the selection and the current key.
    ctrl.SelectArea({400, 400, 410, 410});
    EXPECT_TRUE(ctrl.GetSelectedKeys().empty());
    EXPECT_EQ(ctrl.GetSelectKey(), 0);
}

TEST_F(KeyboardCtrlTest, ColoursAndCaptionsByCode) {
    EXPECT_TRUE(ctrl.SetKeyColor(0x08, 0x123456));
    EXPECT_FALSE(ctrl.SetKeyColor(0x77, 0x123456));
    EXPECT_EQ(ColorOf(0x08), 0x123456u);

    EXPECT_TRUE(ctrl.SetKeyItemInfo(0x14, "Vol Up", 6, "Vol Up"));
    EXPECT_FALSE(ctrl.SetKeyItemInfo(0x77, "x", 2, "x"));
    KeyItem q;
    ASSERT_TRUE(ctrl.GetKeyItem(0x14, q));
    EXPECT_EQ(q.caption, "Q");  // the key's own caption stays
    EXPECT_EQ(q.functionCaption, "Vol Up");
    EXPECT_EQ(q.functionType, 6);

    ctrl.ResetAllItemsColor(0xF1F1F1);
    for (const KeyItem& item : ctrl.GetKeyItems()) {
        EXPECT_EQ(item.color, 0xF1F1F1u);
    }
}

TEST_F(KeyboardCtrlTest, EncoderModeDrawsAKeyAsTheKnob) {
    ctrl.SetKeyEncoder(1, 0xFF);
    EXPECT_TRUE(ctrl.GetKeyItems()[1].drawnAsKnob);
    EXPECT_EQ(ctrl.KeyAt(60, 10), 0xFF);
    ctrl.ClickKey(0x1A);
    EXPECT_EQ(ctrl.GetSelectKey(), 0xFF);  // opens the knob dialog

    ctrl.SetKeyEncoder(1, 0x1A);
    EXPECT_FALSE(ctrl.GetKeyItems()[1].drawnAsKnob);
    EXPECT_EQ(ctrl.KeyAt(60, 10), 0x1A);
    ctrl.SetKeyEncoder(7, 0xFF);  // no such item: ignored
    ctrl.SetKeyEncoder(-1, 0xFF);
    EXPECT_EQ(ctrl.KeyAt(200, 10), 0);
}

TEST_F(KeyboardCtrlTest, ObserversHearChangesUntilRemoved) {
    std::vector<int> changes;
    int token = ctrl.AddObserver([&](int change) {
        changes.push_back(change);
        (void)ctrl.GetKeyItems();  // observers may read the model
    });
    ctrl.SetKeyColor(0x14, 1);
    ctrl.ClickKey(0x14);
    ctrl.ClearItem();
    EXPECT_EQ(changes,
              (std::vector<int>{KeyboardCtrl::kChangeColors, KeyboardCtrl::kChangeSelection,
                                KeyboardCtrl::kChangeItems}));
    EXPECT_EQ(ctrl.ItemCount(), 0u);
    EXPECT_EQ(ctrl.GetSelectKey(), 0);

    ctrl.RemoveObserver(token);
    ctrl.SetVisible(false);
    EXPECT_EQ(changes.size(), 3u);
    EXPECT_FALSE(ctrl.IsVisible());
}

TEST_F(KeyboardCtrlTest, EventHandlerMayReadTheModel) {
    // The main window reads the current key in its handler; the event must come after the
    // model's lock is released.
    int seen = -1;
    ctrl.SetEventSink([&](int, int) { seen = ctrl.GetSelectKey(); });
    ctrl.ClickKey(0x08);
    EXPECT_EQ(seen, 0x08);
}

TEST_F(KeyboardCtrlTest, WorkerPaintsWhileTheUiReads) {
    std::thread worker([this] {
        for (int i = 0; i < 2000; ++i) {
            ctrl.SetKeyColor(0x14, static_cast<uint32_t>(i));
            ctrl.ResetAllItemsColor(0);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(ctrl.GetKeyItems().size(), 3u);
        ctrl.ClickKey(0x1A);
    }
    worker.join();
}

TEST(AuroraEffectTest, KeepsItemsInOrderWithTheirPlace) {
    AuroraEffect effect;
    effect.AddKeyItem("A", 0x04, {0, 0, 10, 10}, 3, 1);
    effect.AddKeyItem("", 332, {0, 0, 5, 5}, 0, 22, AuroraItemKind::TopBar);
    effect.AddKeyItem("", 332, {0, 0, 5, 5}, 0, 0, AuroraItemKind::RightBar);
    std::vector<AuroraItem> items = effect.GetKeyItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].row, 3);
    EXPECT_EQ(items[0].column, 1);
    EXPECT_EQ(items[0].kind, AuroraItemKind::Key);
    EXPECT_EQ(items[1].kind, AuroraItemKind::TopBar);

    // A code shown twice takes its colour in both places.
    EXPECT_TRUE(effect.SetItemColor(332, 0xABCDEF));
    EXPECT_FALSE(effect.SetItemColor(999, 1));
    items = effect.GetKeyItems();
    EXPECT_EQ(items[1].color, 0xABCDEFu);
    EXPECT_EQ(items[2].color, 0xABCDEFu);
    EXPECT_EQ(items[0].color, 0u);

    effect.ClearItem();
    EXPECT_EQ(effect.ItemCount(), 0u);
}

}  // namespace
}  // namespace zanvor
