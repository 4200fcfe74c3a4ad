#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One tab: its caption, the value it stands for and whether it is shown.
struct TabItem {
    std::string text;
    int data = 0;
    bool visible = true;
};

// A row of tabs (MTabCtrl) of which one is current. A choice by the user raises
// kEventTabChanged.
class TabCtrl : public ControlModel {
  public:
    static constexpr int kEventTabChanged = 1;
    enum Change { kChangeItems = 16, kChangeSelection };

    explicit TabCtrl(int controlId = 0) : ControlModel(controlId) {}

    // Appends a tab; returns its index.
    int AddItem(const std::string& text, int data);
    std::vector<TabItem> GetItems() const;
    void SetItemText(int index, const std::string& text);
    void SetItemVisible(int index, bool visible);
    bool IsItemVisible(int index) const;

    // The current tab by index (-1: none), without raising an event; false outside the tabs.
    bool SetCurSel(int index);
    int GetCurSel() const;
    // Value of the current tab; `fallback` when none is current.
    int GetCurData(int fallback = 0) const;
    // Index of the first tab with that value, -1 when none.
    int IndexOf(int data) const;

    // The user picks a tab: it becomes current and kEventTabChanged is raised. Hidden tabs
    // cannot be picked.
    bool Choose(int index);

  private:
    mutable std::mutex mutex_;  // guards items_ and selected_
    std::vector<TabItem> items_;
    int selected_ = -1;
};

}  // namespace zanvor
