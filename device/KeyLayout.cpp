#include "device/KeyLayout.h"

#include <pugixml.hpp>

#include "device/DeviceCatalogue.h"
#include "platform/FileRead.h"
#include "ui/AuroraEffect.h"
#include "ui/KeyboardCtrl.h"

namespace zanvor {

namespace {

std::string Text(const pugi::xml_node& node, const char* attribute) {
    return node.attribute(attribute).as_string("");
}

int Decimal(const pugi::xml_node& node, const char* attribute) {
    return ParseDecimalText(node.attribute(attribute).as_string(""));
}

bool DigitsOnly(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

bool ParseDocument(const pugi::xml_document& document, KeyLayout& out) {
    pugi::xml_node root = document.child("device.info");
    pugi::xml_node keyboard = root.child("Keyboard");
    if (!root || !keyboard) {
        return false;
    }
    KeyLayout layout;
    layout.keyboard.bkColor = ParseHexText(Text(keyboard, "bk_color"));
    layout.keyboard.xpos = Decimal(keyboard, "xpos");
    layout.keyboard.ypos = Decimal(keyboard, "ypos");
    layout.keyboard.width = Decimal(keyboard, "width");
    layout.keyboard.height = Decimal(keyboard, "height");
    layout.keyboard.image = Text(keyboard, "image");
    layout.keyboard.rowCount = Decimal(keyboard, "row_count");
    layout.keyboard.colCount = Decimal(keyboard, "col_count");

    for (pugi::xml_node node : keyboard.child("KeyItems").children("key")) {
        LayoutKey key;
        key.code = static_cast<int>(ParseHexText(Text(node, "code")));
        key.name = Text(node, "name");
        key.desc = Text(node, "desc");
        key.keyIndex = Decimal(node, "key_index");
        key.lightIndex = Decimal(node, "light_index");
        key.icon = Text(node, "icon");
        key.fnLayerDisable = Text(node, "fnlayer_disable") == "1";
        key.rectLeft = Decimal(node, "rect_left");
        key.rectTop = Decimal(node, "rect_top");
        key.rectWidth = Decimal(node, "rect_width");
        key.rectHeight = Decimal(node, "rect_height");
        key.rowCol = Text(node, "row_col");
        ParseRowCol(key.rowCol, key.row, key.column);
        layout.keys.push_back(std::move(key));
    }
    out = std::move(layout);
    return true;
}

void AddRange(std::vector<SideLightItem>& items, int firstCode, int lastCode, int firstLight,
              bool sameLight, SideBar bar) {
    for (int code = firstCode, position = 0; code <= lastCode; ++code, ++position) {
        items.push_back({code, sameLight ? firstLight : firstLight + position, bar, position});
    }
}

AuroraItemKind KindOf(SideBar bar) {
    switch (bar) {
        case SideBar::Left:
            return AuroraItemKind::LeftBar;
        case SideBar::Top:
            return AuroraItemKind::TopBar;
        case SideBar::Right:
            return AuroraItemKind::RightBar;
        case SideBar::MatrixBar:
            break;
    }
    return AuroraItemKind::MatrixBar;
}

// Where a side light is drawn on the effect picture: the bars run along the picture's margins,
// their lights spread evenly.
Rect SideLightRect(const SideLightItem& item, int count, int width, int height) {
    constexpr int kInset = 8;
    constexpr int kThickness = 12;
    auto span = [count](int from, int to, int position, int& first, int& last) {
        first = from + (to - from) * position / count;
        last = from + (to - from) * (position + 1) / count - 2;
    };
    Rect rect;
    switch (item.bar) {
        case SideBar::Left:
        case SideBar::Right:
            rect.left = item.bar == SideBar::Left ? kInset : width - kInset - kThickness;
            rect.right = rect.left + kThickness;
            span(kInset + kThickness + 4, height - kInset, item.position, rect.top, rect.bottom);
            break;
        case SideBar::Top:
            rect.top = kInset;
            rect.bottom = kInset + kThickness;
            span(kInset + kThickness + 4, width - kInset - kThickness - 4, item.position, rect.left,
                 rect.right);
            break;
        case SideBar::MatrixBar:
            rect.top = kInset;
            rect.bottom = kInset + 2 * kThickness;
            span(kInset * 3, width - kInset * 3, item.position, rect.left, rect.right);
            break;
    }
    return rect;
}

}  // namespace

void KeyMaps::Clear() {
    codeToKeyIndex.clear();
    codeToLightIndex.clear();
    lightIndexToCode.clear();
    fnDisabled.clear();
    for (auto& row : matrix) {
        row.fill(kMatrixEmpty);
    }
    rowCount = 0;
    colCount = 0;
}

std::vector<SideLightItem> SideLightItems(int deviceType) {
    std::vector<SideLightItem> items;
    if (deviceType == 101) {
        AddRange(items, 300, 308, 87, false, SideBar::Left);
        AddRange(items, 310, 333, 96, false, SideBar::Top);
        AddRange(items, 332, 340, 120, false, SideBar::Right);
    } else if (deviceType == 102) {
        AddRange(items, 300, 326, 80, true, SideBar::MatrixBar);
    }
    return items;
}

bool ParseRowCol(std::string_view text, int& row, int& column) {
    row = -1;
    column = -1;
    if (text.size() < 3) {
        return false;
    }
    std::string_view rowText = text.substr(0, 1);
    std::string_view columnText = text.size() == 3 ? text.substr(2) : text.substr(text.size() - 2);
    if (!DigitsOnly(rowText) || !DigitsOnly(columnText)) {
        return false;
    }
    row = rowText[0] - '0';
    column = ParseDecimalText(columnText);
    return true;
}

std::string LayoutFilePath(const std::string& applicationFolder, const std::string& layoutName) {
    return applicationFolder + "layouts/" + layoutName + ".xml";
}

bool ParseLayout(std::string_view xml, KeyLayout& out) {
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size())) {
        return false;
    }
    return ParseDocument(document, out);
}

bool ReadLayoutFile(const std::string& path, KeyLayout& out) {
    pugi::xml_document document;
    // Only a regular file, read without waiting and only up to the limit. load_buffer detects
    // the encoding (UTF-8, UTF-16 with a byte order mark) as load_file does.
    std::string bytes;
    if (ReadRegularFile(path, kMaxUserFileBytes, bytes) != FileReadResult::kOk ||
        !document.load_buffer(bytes.data(), bytes.size())) {
        return false;
    }
    return ParseDocument(document, out);
}

void BuildKeyMaps(const KeyLayout& layout, int deviceType, KeyMaps& maps) {
    maps.Clear();
    maps.rowCount = layout.keyboard.rowCount;
    maps.colCount = layout.keyboard.colCount;
    for (const LayoutKey& key : layout.keys) {
        maps.codeToKeyIndex[key.code] = key.keyIndex;
        maps.codeToLightIndex[key.code] = key.lightIndex;
        maps.lightIndexToCode[key.lightIndex] = key.code;
        if (key.fnLayerDisable) {
            maps.fnDisabled.insert(key.code);
        }
        if (key.row >= 0 && key.row < kMatrixRows && key.column >= 0 &&
            key.column < kMatrixColumns) {
            maps.matrix[key.row][key.column] = static_cast<uint8_t>(key.code & 0xFF);
        }
    }
    for (const SideLightItem& item : SideLightItems(deviceType)) {
        maps.codeToLightIndex[item.code] = item.lightIndex;
    }
}

bool LoadKeyMaps(const std::string& path, int deviceType, KeyMaps& maps, KeyLayout& layout) {
    KeyLayout loaded;
    if (!ReadLayoutFile(path, loaded)) {
        return false;
    }
    KeyMaps built;
    BuildKeyMaps(loaded, deviceType, built);
    maps = std::move(built);
    layout = std::move(loaded);
    return true;
}

void ApplyLayoutToControls(const KeyLayout& layout, int deviceType, KeyboardCtrl& keyboard,
                           AuroraEffect& effect) {
    const LayoutKeyboard& board = layout.keyboard;
    keyboard.ClearItem();
    effect.ClearItem();

    const Rect place{board.xpos, board.ypos, board.xpos + board.width, board.ypos + board.height};
    const std::string image = "keyboard/" + board.image;
    keyboard.SetRect(place);
    effect.SetRect(place);
    keyboard.SetKeyboardImage(image);
    effect.SetKeyboardImage(image);
    keyboard.SetWidthAndHeight(board.width, board.height);
    effect.SetWidthAndHeight(board.width, board.height);
    keyboard.SetKeyboardColor(board.bkColor);

    for (const LayoutKey& key : layout.keys) {
        const Rect rect{key.rectLeft, key.rectTop, key.rectLeft + key.rectWidth,
                        key.rectTop + key.rectHeight};
        keyboard.AddKeyItem(key.name, key.desc, key.code, rect, key.icon, kDefaultKeyColor);
        effect.AddKeyItem(key.name, key.code, rect, key.row, key.column);
    }

    const std::vector<SideLightItem> side = SideLightItems(deviceType);
    for (const SideLightItem& item : side) {
        int count = 0;
        for (const SideLightItem& other : side) {
            count += other.bar == item.bar ? 1 : 0;
        }
        effect.AddKeyItem("", item.code, SideLightRect(item, count, board.width, board.height), 0,
                          item.position, KindOf(item.bar));
    }

    keyboard.SetLightModeColor(kLightModeColor);
}

}  // namespace zanvor
