// The key page's control models as a view drives them: events reach the main window with the
// control's id, and only for input that changed something.

#include <gtest/gtest.h>

#include <vector>

#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/MacroPlayPanel.h"

namespace zanvor {
namespace {

struct EventLog {
    std::vector<std::pair<int, int>> events;
    ControlModel::EventSink Sink() {
        return [this](int id, int event) { events.emplace_back(id, event); };
    }
};

TEST(KeyAssignmentModels, FunctionListSelectsByCodeAndRaisesOnlyForRealClicks) {
    KeyFuncValue list(1834);
    EventLog log;
    list.SetEventSink(log.Sink());
    list.AddItem("A", 4);
    list.AddItem("B", 5);
    list.AddItem("A again", 4);

    EXPECT_TRUE(list.SetCurData(4));
    EXPECT_EQ(list.GetCurSel(), 0) << "the first entry with the code";
    EXPECT_FALSE(list.SetCurData(99));
    int code = -1;
    std::string caption = "x";
    EXPECT_FALSE(list.GetCurValue(code, caption)) << "an unknown code clears the selection";
    EXPECT_EQ(caption, "");

    list.ClickItem(3);
    list.ClickItem(-1);
    EXPECT_TRUE(log.events.empty());
    list.ClickItem(1);
    ASSERT_TRUE(list.GetCurValue(code, caption));
    EXPECT_EQ(code, 5);
    EXPECT_EQ(caption, "B");
    list.ClickTab(6);
    EXPECT_EQ(log.events,
              (std::vector<std::pair<int, int>>{{1834, KeyFuncValue::kEventItemClicked},
                                                {1834, KeyFuncValue::kEventTabChanged}}));
    EXPECT_EQ(list.GetCurTab(), 6);

    list.ClearList();
    EXPECT_FALSE(list.GetCurValue(code, caption));
    list.SetTabs({0, 2, 3});
    EXPECT_EQ(list.GetCurTab(), 0) << "a tab no longer offered gives way to the first";
}

TEST(KeyAssignmentModels, PlayOptionsAreExclusiveAndLayerChoicesRaiseEvents) {
    MacroPlayPanel play(7);
    EventLog log;
    play.SetEventSink(log.Sink());
    play.ClickOption(2);
    EXPECT_TRUE(play.GetCheck(2));
    EXPECT_FALSE(play.GetCheck(0));
    play.ClickOption(4);
    EXPECT_EQ(play.SelectedOption(), 2);
    play.EditCount("12");
    EXPECT_EQ(log.events,
              (std::vector<std::pair<int, int>>{{7, MacroPlayPanel::kEventOptionClicked},
                                                {7, MacroPlayPanel::kEventCountChanged}}));

    KeyLayerCtrl layers(9);
    layers.SetEventSink(log.Sink());
    layers.SetCurKeyLayer(2);
    EXPECT_EQ(log.events.size(), 2u) << "setting by the page raises nothing";
    layers.ChooseLayer(3);
    EXPECT_EQ(log.events.back(), std::make_pair(9, KeyLayerCtrl::kEventLayerChanged));
    EXPECT_EQ(layers.GetCurKeyLayer(), 3);
}

}  // namespace
}  // namespace zanvor
