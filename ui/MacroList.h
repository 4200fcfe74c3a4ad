#pragma once

#include <string>

#include "ui/ProfileList.h"

namespace zanvor {

// The macro list of the macro page: the macros' page names with their macro ids, the
// selected macro and the in-place editor that renames one. It behaves as the profile list
// does; these are the names the macro page uses.
class MacroList : public ProfileList {
  public:
    explicit MacroList(int controlId = 0) : ProfileList(controlId) {}

    int AddString(const std::string& text, int data) { return AddItem(text, data, ""); }
    void DeleteAllItems() { ClearList(); }
    bool ModifyItemString(int index, const std::string& text) { return SetItemText(index, text); }
    int GetCurSel() const { return GetSelectItem(); }
    bool SetCurSel(int index) { return SetSelectItem(index); }
};

}  // namespace zanvor
