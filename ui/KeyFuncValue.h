#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One entry of the key-function list: its caption, the function code it stands for and a
// second caption (unused by every list the program fills; kept for the view).
struct KeyFuncItem {
    std::string caption;
    int code = 0;
    std::string note;
};

// The function list of the key-assignment page with its tabs: the tab row picks what the list
// shows (the tab value is the function type where it is one), the list holds the entries of
// that tab and the entry the user clicked last.
class KeyFuncValue : public ControlModel {
  public:
    // Events raised to the main window.
    static constexpr int kEventItemClicked = 1;  // an entry was clicked: it is the current one
    static constexpr int kEventTabChanged = 2;   // another tab was chosen

    enum Change {
        kChangeItems = 16,
        kChangeSelection = 17,
        kChangeTabs = 18,
        kChangeListHeight = 19,
        kChangeListVisibility = 20,
    };

    explicit KeyFuncValue(int controlId = 0) : ControlModel(controlId) {}

    // ---- list ----
    // Removes every entry and the selection.
    void ClearList();
    void AddItem(const std::string& caption, int code, const std::string& note = "");
    std::vector<KeyFuncItem> Items() const;
    size_t ItemCount() const;
    // Height of the whole list in pixels (0: the view's own height).
    void SetAllHeight(int pixels);
    int AllHeight() const;
    // Selects the first entry with that code; without one the selection is cleared and the
    // result is false.
    bool SetCurData(int code);
    // Selects an entry by index; -1 (or an index outside the list) clears the selection.
    void SetCurSel(int index);
    int GetCurSel() const;
    // Code and caption of the selected entry; false (code 0, empty caption) when none.
    bool GetCurValue(int& code, std::string& caption) const;
    // The list part may be hidden while a tab shows another panel instead.
    void SetListVisible(bool visible);
    bool ListVisible() const;

    // ---- tabs ----
    // The tab values in the order shown; the current tab is kept when it is still among them.
    void SetTabs(const std::vector<int>& tabs);
    std::vector<int> Tabs() const;
    // Changes the current tab without raising an event (the page switching by itself).
    void SetCurTab(int tab);
    int GetCurTab() const;

    // ---- user input, as a view reports it ----
    // An entry is clicked: it becomes the selection and kEventItemClicked is raised. An index
    // outside the list changes nothing and raises nothing.
    void ClickItem(int index);
    // A tab is chosen: it becomes current and kEventTabChanged is raised.
    void ClickTab(int tab);

  private:
    mutable std::mutex mutex_;  // guards every member below
    std::vector<KeyFuncItem> items_;
    int selected_ = -1;
    int allHeight_ = 0;
    bool listVisible_ = true;
    std::vector<int> tabs_;
    int currentTab_ = 0;
};

}  // namespace zanvor
