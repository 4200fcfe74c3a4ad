#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One entry of the record list: the text shown, the step type, its value, the delay after it
// in milliseconds and the time stamp the list gave it. A key or mouse-button press and the
// release that follows it share one time stamp, so an edit can rewrite both.
struct RecordItem {
    std::string text;
    int type = 0;
    int value = 0;
    int delay = 0;
    int timeStamp = 0;
};

// The steps of the macro shown on the macro page: the working copy that every edit changes
// before it is saved. Entry indexes are positions, 0 first; an index outside the list makes an
// operation do nothing and report false (or 0 / an empty item). Thread-safe.
class CRecordList : public ControlModel {
  public:
    static constexpr int kEventSelectionChanged = 1;  // an entry was clicked
    static constexpr int kEventContextRequest = 2;    // an entry was right-clicked
    static constexpr int kEventDelayEdited = 3;       // a delay was edited in place

    enum Change { kChangeItems = 16, kChangeSelection = 17 };

    explicit CRecordList(int controlId = 0) : ControlModel(controlId) {}

    // Appends an entry and returns its index. A release (type 3 or 5) takes the time stamp of
    // the latest press of the same value (type 2 or 4) that has no release yet; every other
    // entry gets a new one. Counts as one recorded event.
    int AddString(const std::string& text, int type, int value, int delay);
    // Inserts an entry before `index` (the end when index is the count) with the given time
    // stamp, or a new one when timeStamp is 0. Returns the index, -1 when outside the list.
    int InsertString(int index, const std::string& text, int type, int value, int delay,
                     int timeStamp = 0);
    // A time stamp no entry has yet.
    int NewTimeStamp();

    void DeleteAllItems();
    // Removes an entry; the selection follows its entry and is cleared when it was this one.
    bool DeleteItem(int index);
    int GetItemCount() const;

    int GetCurSel() const;
    // -1 clears the selection; false (selection unchanged) for an index outside the list.
    bool SetCurSel(int index);

    // Entries added by AddString since the last ResetEventCount (a recording's events).
    int GetEventCount() const;
    void ResetEventCount();

    // Sets the delay of the last entry (the delay after a step is known when the next event
    // arrives). False for an empty list.
    bool UpdateDelayTime(int delay);

    std::vector<RecordItem> GetRecordItems() const;
    bool GetRecordInfo(int index, RecordItem& item) const;
    // Changes text, type, value and delay of an entry (its time stamp stays).
    bool SetRecordInfo(int index, const std::string& text, int type, int value, int delay);
    // Changes the entry of that type that carries the time stamp: text and value.
    bool SetRecordInfo(int timeStamp, int type, const std::string& text, int value);
    // Time stamp of an entry, 0 outside the list. (The toolkit's own spelling.)
    int GetRecrodTimeStamp(int index) const;
    // Swaps two entries; the selection stays on its index.
    bool SwapItem(int a, int b);

    // ---- user input ----
    // Clicks an entry: selects it and raises kEventSelectionChanged.
    bool ClickItem(int index);
    // Right-clicks an entry (or the empty list with -1): selects it and raises
    // kEventContextRequest.
    void RequestContext(int index);
    // The delay of an entry edited in place: the entry takes it (the handler limits it) and
    // kEventDelayEdited is raised with that entry selected.
    bool EditDelay(int index, int delay);

  private:
    bool ValidIndex(int index) const {
        return index >= 0 && static_cast<size_t>(index) < items_.size();
    }

    mutable std::mutex mutex_;  // guards every member below
    std::vector<RecordItem> items_;
    int selected_ = -1;
    int events_ = 0;
    int lastStamp_ = 0;
};

}  // namespace zanvor
