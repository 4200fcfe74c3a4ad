#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One entry of a profile list: the text shown, the profile id it stands for, its icon and a
// note shown beside the text, dimmed (for instance that a macro slot is unused; not part of
// the name an edit starts from).
struct ProfileListItem {
    std::string text;
    int data = 0;
    std::string icon;
    std::string note;
};

// The list of profiles (main window and profile dialog): entries with their profile ids, the
// selected entry, the scroll position and the in-place editor of an entry's name.
//
// Thread-safe: the worker fills the list while the UI thread reads and edits it. Entry
// indexes are positions in the list, 0 first; operations given an index outside the list do
// nothing and report false (or 0 / an empty text).
class ProfileList : public ControlModel {
  public:
    // Notifications raised to the event sink.
    static constexpr int kEventSelectionChanged = 2;
    static constexpr int kEventContextRequest = 9;  // context menu, or the entry's delete icon
    static constexpr int kEventEditFinished = 29;

    enum Change {
        kChangeItems = 16,
        kChangeSelection,
        kChangeScroll,
        kChangeEdit,
    };

    explicit ProfileList(int controlId = 0) : ControlModel(controlId) {}

    // Removes every entry, the selection and a running edit; scrolls to the top.
    void ClearList();
    // Appends an entry; returns its index.
    int AddItem(const std::string& text, int data, const std::string& icon);
    // Removes an entry. The selection is cleared when it was that entry and follows its
    // entry otherwise; an edit of that entry ends.
    bool DeleteItem(int index);
    int GetItemCount() const;
    // The profile id of an entry, 0 when there is no such entry.
    int GetItemData(int index) const;
    std::string GetItemText(int index) const;
    bool SetItemText(int index, const std::string& text);
    std::string GetItemIcon(int index) const;
    // The note beside an entry ("" for none).
    bool SetItemNote(int index, const std::string& note);
    std::string GetItemNote(int index) const;
    std::vector<ProfileListItem> GetItems() const;
    // Index of the first entry of that profile id, -1 when none.
    int FindData(int data) const;

    // Selects an entry; -1 clears the selection. False (selection unchanged) for an index
    // outside the list.
    bool SetSelectItem(int index);
    // Index of the selected entry, -1 when none.
    int GetSelectItem() const;
    // Selects the entry of a profile id; false (selection unchanged) when none has it.
    bool SetCurData(int data);
    // Profile id of the selected entry, 0 when none is selected.
    int GetCurData() const;

    void SetScrollPos(int position);
    int GetScrollPos() const;

    // Starts the in-place editor on an entry, with the entry's text as the edited text.
    bool ShowEdit(int index);
    bool Editing() const;
    // The entry being edited, -1 when none.
    int EditItem() const;

    // ---- user actions (the view, and tests acting as the user) ----
    // A view commits the editor (FinishEdit) before passing on a click elsewhere; a click on
    // another entry while the editor is still open cancels it, so the edit-finished
    // notification always concerns the selected entry.
    // Clicks an entry: selects it and raises kEventSelectionChanged.
    bool ClickItem(int index);
    // Right-clicks an entry (or clicks its delete icon): selects it, makes it the context
    // entry and raises kEventContextRequest.
    bool RequestContext(int index);
    // The entry a command is meant for when it is not the selected one (a right-click, or a
    // key pressed on the focused entry): remembered by its profile id until taken.
    bool SetContextItem(int index);
    // The profile id of the context entry, 0 when none; clears it.
    int TakeContextData();
    // Ends the in-place editor with the typed text: the edited entry takes the text and
    // kEventEditFinished is raised. False when no edit is running.
    bool FinishEdit(const std::string& text);
    // Ends the in-place editor without changing anything.
    void CancelEdit();

  private:
    void EndEditElsewhere(int index);
    bool ValidIndex(int index) const {
        return index >= 0 && static_cast<size_t>(index) < items_.size();
    }

    mutable std::mutex mutex_;  // guards every member below
    std::vector<ProfileListItem> items_;
    int selected_ = -1;
    int scroll_ = 0;
    int editing_ = -1;
    int contextData_ = 0;
};

}  // namespace zanvor
