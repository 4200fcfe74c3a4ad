#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// What an item of the effect picture stands for.
enum class AuroraItemKind {
    Key,        // a key of the layout
    LeftBar,    // a light of the left side bar
    TopBar,     // a light of the top bar
    RightBar,   // a light of the right side bar
    MatrixBar,  // a cell of the light bar above the keys
};

// One item of the effect picture.
struct AuroraItem {
    int code = 0;  // key usage, or the side light's code (300 and up)
    std::string caption;
    Rect rect;        // on the picture
    int row = -1;     // matrix row of a key; for a side light 0
    int column = -1;  // matrix column of a key; for a side light its place along the bar
    AuroraItemKind kind = AuroraItemKind::Key;
    uint32_t color = 0;  // 0x00BBGGRR, the colour the effect gives the item
};

// The effect picture of the aurora and music page: the keys and side lights of the keyboard
// with the colours the running effect gives them.
class AuroraEffect : public ControlModel {
  public:
    enum Change {
        kChangeItems = 16,
        kChangeColors = 17,
        kChangePicture = 19,
    };

    explicit AuroraEffect(int controlId = 0) : ControlModel(controlId) {}

    void ClearItem();
    void SetKeyboardImage(const std::string& image);
    std::string GetKeyboardImage() const;
    void SetWidthAndHeight(int width, int height);
    int GetWidth() const;
    int GetHeight() const;

    void AddKeyItem(const std::string& caption, int code, const Rect& rect, int row, int column,
                    AuroraItemKind kind = AuroraItemKind::Key);
    // Every item, in the order added (keys first, then side lights).
    std::vector<AuroraItem> GetKeyItems() const;
    size_t ItemCount() const;
    // Sets the colour of every item with that code; false when there is none.
    bool SetItemColor(int code, uint32_t color);

  private:
    mutable std::mutex mutex_;  // guards every member below
    std::vector<AuroraItem> items_;
    std::string image_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace zanvor
