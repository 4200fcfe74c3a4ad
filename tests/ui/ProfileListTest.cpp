// The profile list model: entries, selection by index and by profile id, the in-place editor
// and the notifications it raises.

#include "ui/ProfileList.h"

#include <gtest/gtest.h>

#include <thread>

namespace zanvor {
namespace {

class ProfileListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        list.SetEventSink([this](int controlId, int event) {
            events.emplace_back(controlId, event);
            // Handlers read the list while the event is delivered.
            seenData.push_back(list.GetCurData());
        });
        for (int id : {1, 2, 4}) {
            list.AddItem("P" + std::to_string(id), id, "icon\\icon_profile.png");
        }
    }

    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const ProfileListItem& item : list.GetItems()) {
            ids.push_back(item.data);
        }
        return ids;
    }

    ProfileList list{35};
    std::vector<std::pair<int, int>> events;
    std::vector<int> seenData;
};

TEST_F(ProfileListTest, SelectsByProfileIdAndReportsTheSelectedId) {
    EXPECT_EQ(list.GetCurData(), 0) << "nothing selected yet";
    EXPECT_TRUE(list.SetCurData(4));
    EXPECT_EQ(list.GetSelectItem(), 2);
    EXPECT_EQ(list.GetCurData(), 4);
    EXPECT_FALSE(list.SetCurData(3));
    EXPECT_EQ(list.GetCurData(), 4) << "an unknown id keeps the selection";
    EXPECT_FALSE(list.SetSelectItem(3));
    EXPECT_TRUE(list.SetSelectItem(-1));
    EXPECT_EQ(list.GetCurData(), 0);
}

TEST_F(ProfileListTest, TheSelectionFollowsItsEntryWhenAnotherIsDeleted) {
    list.SetSelectItem(2);
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetSelectItem(), 1);
    EXPECT_EQ(list.GetCurData(), 4);
    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(list.GetSelectItem(), -1) << "the selected entry itself went away";
    EXPECT_EQ(Ids(), std::vector<int>{2});
    EXPECT_FALSE(list.DeleteItem(5));
}

TEST_F(ProfileListTest, OutOfRangeIndexesReadAsEmpty) {
    EXPECT_EQ(list.GetItemData(-1), 0);
    EXPECT_EQ(list.GetItemData(3), 0);
    EXPECT_EQ(list.GetItemText(3), "");
    EXPECT_FALSE(list.SetItemText(3, "x"));
    EXPECT_FALSE(list.ShowEdit(3));
}

TEST_F(ProfileListTest, UserActionsSelectAndRaiseTheirNotifications) {
    EXPECT_TRUE(list.ClickItem(1));
    EXPECT_TRUE(list.RequestContext(2));
    EXPECT_FALSE(list.ClickItem(7));
    EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{35, 2}, {35, 9}}));
    EXPECT_EQ(seenData, (std::vector<int>{2, 4})) << "the handler sees the new selection";
}

TEST_F(ProfileListTest, FinishingTheEditorStoresTheTextBeforeNotifying) {
    list.SetSelectItem(1);
    ASSERT_TRUE(list.ShowEdit(1));
    EXPECT_TRUE(list.Editing());
    std::string textSeen;
    list.SetEventSink([&](int, int event) {
        if (event == ProfileList::kEventEditFinished) {
            textSeen = list.GetItemText(list.GetSelectItem());
        }
    });
    EXPECT_TRUE(list.FinishEdit("Work"));
    EXPECT_EQ(textSeen, "Work");
    EXPECT_FALSE(list.Editing());
    EXPECT_FALSE(list.FinishEdit("again")) << "no editor is open";

    list.ShowEdit(0);
    list.DeleteItem(0);
    EXPECT_FALSE(list.Editing()) << "deleting the edited entry ends the edit";
}

TEST_F(ProfileListTest, ClickingAnotherEntryCancelsTheEditor) {
    list.SetSelectItem(0);
    list.ShowEdit(0);
    list.ClickItem(2);
    EXPECT_FALSE(list.Editing());
    EXPECT_FALSE(list.FinishEdit("late")) << "the late text would land on the wrong entry";
    EXPECT_EQ(list.GetItemText(0), "P1");
}

TEST_F(ProfileListTest, ClearRemovesEntriesSelectionAndScroll) {
    list.SetSelectItem(1);
    list.SetScrollPos(40);
    list.ClearList();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetSelectItem(), -1);
    EXPECT_EQ(list.GetScrollPos(), 0);
}

TEST_F(ProfileListTest, TheWorkerMayFillTheListWhileTheUiThreadReadsIt) {
    std::thread worker([this] {
        for (int round = 0; round < 200; ++round) {
            list.ClearList();
            for (int id = 1; id <= 10; ++id) {
                list.AddItem("P", id, "");
            }
            list.SetCurData(round % 10 + 1);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const int selected = list.GetCurData();
        EXPECT_GE(selected, 0);
        EXPECT_LE(selected, 10);
        list.GetItemText(list.GetSelectItem());
    }
    worker.join();
    EXPECT_EQ(list.GetItemCount(), 10);
}

}  // namespace
}  // namespace zanvor
