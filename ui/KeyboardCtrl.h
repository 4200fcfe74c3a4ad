#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ui/ControlModel.h"

namespace zanvor {

// One key of the keyboard picture.
struct KeyItem {
    int code = 0;  // the key's usage (layout `code`); 0xFF is the knob
    std::string caption;
    std::string description;
    Rect rect;  // on the picture
    std::string icon;
    uint32_t color = 0;  // 0x00BBGGRR
    bool selected = false;
    // Set by SetKeyItemInfo: what the key is assigned to on the shown layer.
    int functionType = 0;
    std::string functionCaption;
    std::string note;
    // The key does something else than its factory function on the shown layer.
    bool remapped = false;
    // Set by SetKeyEncoder: the picture draws this item as the knob.
    bool drawnAsKnob = false;
};

// The keyboard picture: one item per layout key with its caption, colour and selection.
// In mode 100 it shows the keys' functions; in mode 103 the user paints per-key colours.
class KeyboardCtrl : public ControlModel {
  public:
    // Picture modes.
    static constexpr int kModePlain = 100;
    static constexpr int kModePerKeyColor = 103;

    // Events raised to the main window.
    static constexpr int kEventKeyClicked = 2;    // a key was clicked: it is the current key
    static constexpr int kEventAreaSelected = 5;  // keys were selected by dragging an area

    // Change codes for observers.
    enum Change {
        kChangeItems = 16,      // items added or cleared, captions or functions changed
        kChangeColors = 17,     // key colours
        kChangeSelection = 18,  // selection or current key
        kChangePicture = 19,    // picture, size, background colour, mode, light-mode colour
    };

    explicit KeyboardCtrl(int controlId = 0) : ControlModel(controlId) {}

    void ClearItem();
    void SetKeyboardColor(uint32_t color);
    uint32_t GetKeyboardColor() const;
    void SetKeyboardImage(const std::string& image);
    std::string GetKeyboardImage() const;
    void SetWidthAndHeight(int width, int height);
    int GetWidth() const;
    int GetHeight() const;
    // The colour keys are drawn with in the plain picture mode.
    void SetLightModeColor(uint32_t color);
    uint32_t GetLightModeColor() const;

    void AddKeyItem(const std::string& caption, const std::string& description, int code,
                    const Rect& rect, const std::string& icon, uint32_t color);
    // Shows what a key is assigned to; false when no item has that code.
    // Marks a key as doing something else than its factory function on the shown layer.
    bool SetKeyRemapped(int code, bool remapped);
    bool SetKeyItemInfo(int code, const std::string& caption, int functionType,
                        const std::string& note);

    // False when no item has that code.
    bool SetKeyColor(int code, uint32_t color);
    void ResetAllItemsColor(uint32_t color);
    // Sets the colours of many keys at once (one change notification); codes without an item
    // are skipped.
    void SetKeyColors(const std::vector<std::pair<int, uint32_t>>& colors);
    // Paints every selected key; the colour also becomes the colour a click paints.
    void SetAllSelectColor(uint32_t color);
    uint32_t GetPaintColor() const;
    // The colour a click paints from now on; no key changes.
    void SetPaintColor(uint32_t color);

    // Every item, in the order added.
    std::vector<KeyItem> GetKeyItems() const;
    // The item with that code, if any.
    bool GetKeyItem(int code, KeyItem& item) const;
    size_t ItemCount() const;

    void SetKeyboardCtrlMode(int mode);
    int GetKeyboardCtrlMode() const;

    // Encoder display: the item at `position` (order added) is drawn as the knob when code is
    // 0xFF and as a plain key otherwise. Positions outside the items are ignored.
    void SetKeyEncoder(int position, int code);

    // Selection. The current key is the key last clicked (0 = none).
    int GetSelectKey() const;
    void SetSelectKey(int code);
    // ResetAllItemCheck(0): clears every key's selection and the current key.
    void ResetAllItemCheck(int check = 0);
    // Clears the key tip (the hover caption the view shows).
    void ResetTipKey();
    std::vector<int> GetSelectedKeys() const;

    // User input, as a view reports it; each raises its event after changing the model.
    // A click makes the key current and selected (added to the selection with `add`, else
    // alone); in the per-key colour mode it also paints the key with the paint colour.
    void ClickKey(int code, bool add = false);
    // Selects the keys whose rectangles intersect the area (added to the selection with `add`)
    // and, in the per-key colour mode, paints them.
    void SelectArea(const Rect& area, bool add = false);
    // The code of the item under a point of the picture, or 0.
    int KeyAt(int x, int y) const;

  private:
    KeyItem* Find(int code);
    const KeyItem* Find(int code) const;

    mutable std::mutex mutex_;  // guards every member below
    std::vector<KeyItem> items_;
    uint32_t keyboardColor_ = 0;
    std::string image_;
    int width_ = 0;
    int height_ = 0;
    uint32_t lightModeColor_ = 0;
    uint32_t paintColor_ = 0xFFFFFF;
    int mode_ = kModePlain;
    int selectKey_ = 0;
};

}  // namespace zanvor
