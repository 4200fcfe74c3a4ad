#pragma once

#include <string>

#include "ui/ItemListModel.h"

namespace zanvor {

// The programs bound to a profile, as the profile dialog lists them (one name per entry).
class ProgramList : public ItemListModel<std::string> {
  public:
    using ItemListModel::ItemListModel;
    int AddItem(std::string program) { return InsertItem(GetItemCount(), std::move(program)); }
};

}  // namespace zanvor
