#pragma once

#include <string>
#include <vector>

#include "ui/ItemListModel.h"

namespace zanvor {

// One frame of the frame strip: the file it was loaded from, the file holding its edited
// picture (the same until it is edited), its display time, its row id and file name.
struct FrameItem {
    std::string imageFile;
    std::string editFile;
    int delay = 0;
    int frameId = 0;
    std::string fileName;
};

// The frames of the selected animation (ImageViewList). The user's choice of a frame raises
// kEventSelectionChanged, a request to change a frame's time kEventDelayRequest, and moving
// a frame to another place kEventOrderChanged.
class ImageViewList : public ItemListModel<FrameItem> {
  public:
    static constexpr int kEventDelayRequest = 9;
    static constexpr int kEventOrderChanged = 10;

    explicit ImageViewList(int controlId = 0) : ItemListModel(controlId) {}

    // Appends a frame; its edit file is the image file.
    int AddString(const std::string& imageFile, int delay, int frameId,
                  const std::string& fileName);
    // Inserts a frame right after the entry at `position`.
    int AddString(int position, const std::string& imageFile, int delay, int frameId,
                  const std::string& fileName);

    std::string GetItemImageFile(int index) const;
    std::string GetItemEditImageFile(int index) const;
    // The frame's edited picture is now in `file`.
    bool UpdateItemImageFile(int index, const std::string& file);
    int GetItemDelayTime(int index) const;
    bool SetItemDelayTime(int index, int delay);
    // Every frame gets that display time.
    void SetDelayTime(int delay);
    std::string GetFrameItemName(int index) const;
    std::vector<FrameItem> GetImageViewItems() const { return GetItems(); }

    // The user moves a frame to another place: it stays selected, kEventOrderChanged is raised.
    bool MoveItem(int from, int to);
    // The user asks to change the time of a frame: it is chosen (as Select) unless it is
    // selected already, then kEventDelayRequest is raised.
    bool RequestDelayEdit(int index);
};

}  // namespace zanvor
