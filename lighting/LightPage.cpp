#include "lighting/LightPage.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "lighting/LightParameters.h"
#include "lighting/LightRows.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"

namespace zanvor {

const std::array<uint32_t, 9> kLightSwatches = {0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00, 0xFF0000,
                                                0xFFFF00, 0xFF00FF, 0xFFFFFF, 0xFF2080};

namespace {

// Text ids of the swatches' names (for tooltips and screen readers).
constexpr int kSwatchNameFirst = 1640;
// Initial slider ranges, kept while the keyboard reports no maxima for the zone.
constexpr int kDefaultMaxBrightness = 100;
constexpr int kDefaultMaxSpeed = 6;

}  // namespace

int LightNameId(const LightData& row) {
    int id = 0;
    std::from_chars(row.name.data(), row.name.data() + row.name.size(), id);
    return id;
}

int ColourFieldValue(const std::string& text, bool& clamped) {
    long value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    while (begin != end && *begin == ' ') {
        ++begin;
    }
    std::from_chars(begin, end, value);
    const long channel = std::clamp(value, 0L, 255L);
    clamped = channel != value;
    return static_cast<int>(channel);
}

uint32_t MirroredColor(uint8_t red, uint8_t green, uint8_t blue) {
    // Integer forms of × 1.5, × 1.3 and × 1.2: the exact products, truncated.
    const int r = std::min(255, red * 3 / 2);
    const int g = std::min(255, green * 13 / 10);
    const int b = std::min(255, blue * 6 / 5);
    return MakeColor(r, g, b);
}

LightPage::LightPage(DeviceManager& devices, DataStore& store, SessionState& session,
                     TaskPoster& poster, const KeyTables& keyTables,
                     const KeyboardCtrl& layoutPicture)
    : devices_(devices),
      store_(store),
      session_(session),
      poster_(poster),
      keyTables_(keyTables),
      layoutPicture_(layoutPicture) {
    zoneTabs.AddItem("", kLightMain);
    zoneTabs.AddItem("", kLightZone1);
    zoneTabs.AddItem("", kLightZone2);
    zoneTabs.SetItemVisible(1, false);
    zoneTabs.SetItemVisible(2, false);
    zoneTabs.SetCurSel(0);
    for (int mode = kCustomModeFirst; mode <= kCustomModeLast; ++mode) {
        customSets.AddItem("", mode);
    }
    customSets.SetCurSel(0);
    directionA.AddItem("", 1);
    directionA.AddItem("", 0);
    directionB.AddItem("", 2);
    directionB.AddItem("", 3);
    for (uint32_t color : kLightSwatches) {
        swatches.AddItem("", static_cast<int>(color));
    }
    brightness.SetRange(0, kDefaultMaxBrightness);
    speed.SetRange(1, kDefaultMaxSpeed);
    picture.SetKeyboardCtrlMode(kPicturePlain);
    ApplyTexts();
    language_ = SubscribeLanguageChanged([this](int) { ApplyTexts(); });
}

LightPage::~LightPage() = default;

void LightPage::SetControlIds(const LightPageIds& ids) {
    zoneTabs.SetControlId(ids.zoneTabs);
    lightSwitch.SetControlId(ids.lightSwitch);
    modeList.SetControlId(ids.modeList);
    customSets.SetControlId(ids.customSets);
    liveMirrorSwitch.SetControlId(ids.liveMirror);
    brightness.SetControlId(ids.brightness);
    speed.SetControlId(ids.speed);
    directionA.SetControlId(ids.directionA);
    directionB.SetControlId(ids.directionB);
    colorWheel.SetControlId(ids.colorWheel);
    swatches.SetControlId(ids.swatches);
    red.SetControlId(ids.red);
    green.SetControlId(ids.green);
    blue.SetControlId(ids.blue);
    colorButton.SetControlId(ids.colorButton);
    colorfulBox.SetControlId(ids.colorful);
    picture.SetControlId(ids.picture);
    directStatus.SetControlId(ids.directStatus);
    takeBackButton.SetControlId(ids.takeBackButton);
}

int LightPage::Profile() const {
    return session_.currentProfile.load();
}

int LightPage::Type() const {
    return session_.light.type.load();
}

int LightPage::Mode() const {
    return session_.light.mode.load();
}

void LightPage::ApplyTexts() {
    zoneTabs.SetItemText(0, LoadText("KB.DIALOG", kZoneTabTextMain));
    zoneTabs.SetItemText(1, LoadText("KB.DIALOG", kZoneTabTextZone1));
    zoneTabs.SetItemText(
        2, LoadText("KB.DIALOG", session_.currentDeviceType.load() == kLightBarDeviceType
                                     ? kZoneTabTextZone2LightBar
                                     : kZoneTabTextZone2));
    const auto relabel = [](ComboBox& list, const std::function<std::string(int)>& text) {
        const int selected = list.GetCurSel();
        const std::vector<ComboItem> items = list.GetItems();
        list.Clear();
        for (const ComboItem& item : items) {
            list.AddItem(text(item.data), item.data);
        }
        list.SetCurSel(selected);
    };
    relabel(customSets, [](int mode) { return LoadText("KB.DIALOG", CustomSetNameId(mode)); });
    relabel(directionA, [](int direction) { return LoadText("KB.DIALOG", 1630 + direction); });
    relabel(directionB, [](int direction) { return LoadText("KB.DIALOG", 1630 + direction); });
    int swatch = 0;
    relabel(swatches,
            [&swatch](int) { return LoadText("KB.DIALOG", kSwatchNameFirst + swatch++); });
    const int type = Type();
    std::lock_guard lock(listMutex_);
    relabel(modeList, [this, type](int mode) { return ModeName(type, mode); });
}

std::string LightPage::ModeName(int type, int mode) {
    LightData row;
    if (!store_.GetLightRow(Profile(), type, mode, row)) {
        return {};
    }
    return LoadText("KB.DIALOG", LightNameId(row));
}

void LightPage::SyncPicture() {
    const KeyboardCtrl& layout = layoutPicture_;
    const std::vector<KeyItem> source = layout.GetKeyItems();
    const std::vector<KeyItem> mine = picture.GetKeyItems();
    const bool same =
        source.size() == mine.size() &&
        std::equal(source.begin(), source.end(), mine.begin(),
                   [](const KeyItem& a, const KeyItem& b) {
                       return a.code == b.code && a.rect == b.rect && a.caption == b.caption;
                   });
    if (same) {
        return;
    }
    picture.ClearItem();
    picture.SetKeyboardImage(layout.GetKeyboardImage());
    picture.SetWidthAndHeight(layout.GetWidth(), layout.GetHeight());
    picture.SetKeyboardColor(layout.GetKeyboardColor());
    picture.SetLightModeColor(layout.GetLightModeColor());
    for (const KeyItem& item : source) {
        picture.AddKeyItem(item.caption, item.description, item.code, item.rect, item.icon,
                           kBuiltInKeyColor);
    }
}

void LightPage::LoadLightZone() {
    const int profile = Profile();
    const int type = Type();
    const int deviceType = session_.currentDeviceType.load();
    EnsureDefaultLightRows(store_, profile, deviceType);
    SyncPicture();

    const DeviceInfo info = session_.Info();
    if (MaxBrightnessOf(info, type) > 0) {
        brightness.SetRange(0, MaxBrightnessOf(info, type));
        speed.SetRange(1, MaxSpeedOf(info, type));
    }
    zoneTabs.SetItemText(
        2, LoadText("KB.DIALOG", deviceType == kLightBarDeviceType ? kZoneTabTextZone2LightBar
                                                                   : kZoneTabTextZone2));

    std::vector<LightData> rows;
    store_.ListLightRows(profile, type, rows);
    const int active = store_.GetActiveLightMode(profile, type);
    {
        std::lock_guard lock(listMutex_);
        modeList.Clear();
        for (const LightData& row : rows) {
            if (row.mode > kCustomModeFirst) {
                continue;  // one entry (0x80) stands for the five custom sets
            }
            modeList.AddItem(LoadText("KB.DIALOG", LightNameId(row)), row.mode);
        }
        modeList.SelectData(IsCustomMode(active) ? kCustomModeFirst : active);
    }
    if (IsCustomSet(active)) {
        customSets.SelectData(active);
    }

    std::string enabled;
    store_.GetConfigValue(profile, "enable_light", enabled);
    const bool on = enabled == "1";
    session_.light.enabled = on;
    lightSwitch.SetCheck(on);
    session_.light.mode = on ? active : 0;
    RefreshPanel();
}

void LightPage::RefreshPanel() {
    LightData row;
    if (!store_.GetLightRow(Profile(), Type(), Mode(), row)) {
        return;
    }
    session_.light.configFunc = row.config_func;
    if (!session_.light.enabled.load()) {
        // Lighting off: the panel keeps the controls of the zone's chosen effect (the view
        // shows them disabled) instead of reflowing to the empty "off" mode.
        LightData active;
        if (store_.GetLightRow(Profile(), Type(), store_.GetActiveLightMode(Profile(), Type()),
                               active)) {
            row = active;
        }
    }
    const int flags = row.config_func;
    const bool hasBrightness = (flags & kLightHasBrightness) != 0;
    const bool hasSpeed = (flags & kLightHasSpeed) != 0;
    brightness.SetVisible(hasBrightness);
    brightness.SetPos(hasBrightness ? row.brightness : 0);
    speed.SetVisible(hasSpeed);
    speed.SetPos(hasSpeed ? row.speed : 0);

    const bool pairA = (flags & kLightHasDirectionA) != 0;
    const bool pairB = !pairA && (flags & kLightHasDirectionB) != 0;
    directionA.SetVisible(pairA);
    directionA.SelectData(row.direction == 1 ? 1 : 0);
    directionB.SetVisible(pairB);
    directionB.SelectData(row.direction == 2 ? 2 : 3);

    const bool palette = (flags & kLightHasPalette) != 0;
    for (ControlModel* control :
         std::initializer_list<ControlModel*>{&colorWheel, &swatches, &red, &green, &blue}) {
        control->SetVisible(palette);
    }
    const bool button = (flags & kLightHasColorButton) != 0;
    colorButton.SetVisible(button);
    colorfulBox.SetVisible(button);
    colorfulBox.SetCheck(row.colorful == 1);
    ShowColor(static_cast<uint32_t>(row.color_value));
    if ((flags & kLightPerKey) != 0) {
        // A click on a key paints the colour the palette shows.
        picture.SetPaintColor(static_cast<uint32_t>(row.color_value) & 0xFFFFFF);
    }
}

void LightPage::ShowColor(uint32_t color) {
    colorButton.SetColor(color);
    colorWheel.SetColor(color);
    red.SetText(std::to_string(RedOf(color)));
    green.SetText(std::to_string(GreenOf(color)));
    blue.SetText(std::to_string(BlueOf(color)));
}

void LightPage::SetPictureMode(bool perKey) {
    if (!session_.light.enabled.load()) {
        // Lighting off: every key is drawn dark, as the keyboard shows it.
        picture.SetKeyboardCtrlMode(kPicturePerKey);
        picture.ResetAllItemsColor(0);
        return;
    }
    picture.SetKeyboardCtrlMode(perKey ? kPicturePerKey : kPicturePlain);
}

void LightPage::ShowBuiltInModeColors() {
    picture.ResetAllItemsColor(session_.light.enabled.load() ? kBuiltInKeyColor : 0);
}

void LightPage::SelectLightZone(int type) {
    session_.light.type = type;
    const bool main = type == kLightMain;
    customSets.SetVisible(main);
    liveMirrorSwitch.SetVisible(main);
    LoadLightZone();
    if (main && IsCustomMode(Mode())) {
        session_.light.mode = customSets.GetCurData(kCustomModeFirst);
        SetPictureMode(true);
        poster_.PostTask(kTaskWriteCustomLightMode);
        poster_.PostTask(kTaskReadKeyColors);
        liveMirrorSwitch.SetCheck(false);
        session_.liveMirrorOn = false;
        return;
    }
    SetPictureMode(main && session_.liveMirrorOn.load());
}

void LightPage::OnPageShown() {
    SelectLightZone(Type());
    if (session_.liveMirrorOn.load()) {
        poster_.WakeWorker();
    }
}

void LightPage::SetLightEnabled(bool on) {
    const int profile = Profile();
    store_.UpdateConfigValue(profile, "enable_light", on ? "1" : "0");
    session_.light.mode = on ? store_.GetActiveLightMode(profile, Type()) : 0;
    session_.light.enabled = on;
    lightSwitch.SetCheck(on);
    RefreshPanel();
    picture.ResetAllItemCheck();
    const bool custom = on && Type() == kLightMain && IsCustomSet(Mode());
    SetPictureMode(custom || session_.liveMirrorOn.load());
    poster_.PostTask(kTaskWriteLightMode);
    if (custom) {
        poster_.PostTask(kTaskReadKeyColors);  // the set's colours back on the picture
    }
}

void LightPage::SelectLightMode(int mode) {
    const int profile = Profile();
    // Choosing an effect switches the lighting on.
    session_.light.enabled = true;
    session_.light.mode = mode;
    store_.SetActiveLightMode(profile, Type(), mode);
    RefreshPanel();
    if (!IsCustomMode(mode)) {
        SetPictureMode(session_.liveMirrorOn.load());
        poster_.PostTask(kTaskWriteLightMode);
    } else {
        customSets.SetCurSel(0);
        session_.light.mode = customSets.GetCurData(kCustomModeFirst);
        poster_.PostTask(kTaskWriteCustomLightMode);
        poster_.PostTask(kTaskReadKeyColors);
        SetPictureMode(true);
        liveMirrorSwitch.SetCheck(false);
        session_.liveMirrorOn = false;
    }
    store_.UpdateConfigValue(profile, "enable_light", "1");
    lightSwitch.SetCheck(true);
}

void LightPage::SelectCustomSet() {
    picture.ResetAllItemCheck();
    const int mode = customSets.GetCurData(kCustomModeFirst);
    session_.light.mode = mode;
    // The chosen set stays the profile's choice (a profile switch or a restart brings it back).
    store_.SetActiveLightMode(Profile(), kLightMain, mode);
    RefreshPanel();
    poster_.PostTask(kTaskWriteCustomLightMode);
    poster_.PostTask(kTaskReadKeyColors);
}

void LightPage::SetRowField(const std::function<void(LightData&)>& change) {
    LightData row;
    if (!store_.GetLightRow(Profile(), Type(), Mode(), row)) {
        return;
    }
    change(row);
    store_.UpdateLightRow(row.type, row.mode, row);
}

void LightPage::SetLightBrightness(int value) {
    SetRowField([value](LightData& row) { row.brightness = value; });
    poster_.PostTask(IsCustomMode(Mode()) ? kTaskWriteCustomLightMode : kTaskWriteLightMode);
}

void LightPage::SetLightSpeed(int value) {
    SetRowField([value](LightData& row) { row.speed = value; });
    poster_.PostTask(kTaskWriteLightMode);
}

void LightPage::SetLightDirection(int direction) {
    SetRowField([direction](LightData& row) { row.direction = direction; });
    poster_.PostTask(kTaskWriteLightMode);
}

void LightPage::SetLightColorful(bool ticked) {
    if (IsCustomMode(Mode())) {
        return;
    }
    LightData row;
    if (!store_.GetLightRow(Profile(), Type(), Mode(), row)) {
        return;
    }
    row.colorful = ticked ? 1 : 0;
    if (!ticked) {
        SetLightColor(static_cast<uint32_t>(row.color_value));
    }
    store_.UpdateLightRow(row.type, row.mode, row);
    poster_.PostTask(kTaskWriteLightMode);
}

void LightPage::SetLightColor(uint32_t color) {
    ShowColor(color);
    if ((session_.light.configFunc.load() & kLightPerKey) != 0) {
        picture.SetAllSelectColor(color);
        StorePaintedSet();
        poster_.PostTaskIfIdle(kTaskWriteLightLayer);
        return;
    }
    SetRowField([color](LightData& row) { row.color_value = static_cast<int>(color); });
    poster_.PostTaskIfIdle(kTaskWriteLightMode);
}

void LightPage::OnPaletteColor(uint32_t color) {
    SetLightColor(color);
    if (colorfulBox.GetCheck()) {
        colorfulBox.SetCheck(false);
        SetLightColorful(false);
    }
}

void LightPage::OnColorFieldChanged(EditCtrl& field) {
    bool clamped = false;
    const int value = ColourFieldValue(field.GetText(), clamped);
    if (clamped) {
        field.SetText(std::to_string(value));
    }
    bool ignored = false;
    OnPaletteColor(MakeColor(ColourFieldValue(red.GetText(), ignored),
                             ColourFieldValue(green.GetText(), ignored),
                             ColourFieldValue(blue.GetText(), ignored)));
}

void LightPage::SetLiveMirror(bool on) {
    session_.liveMirrorOn = on;
    liveMirrorSwitch.SetCheck(on);
    SetPictureMode(IsCustomMode(Mode()) || on);
    if (on) {
        poster_.WakeWorker();
    }
}

void LightPage::OnApply() {
    poster_.PostTask(IsCustomMode(Mode()) ? kTaskWriteLightLayer : kTaskWriteLightMode);
}

void LightPage::OnPictureEvent(int event) {
    if (event != KeyboardCtrl::kEventKeyClicked && event != KeyboardCtrl::kEventAreaSelected) {
        return;
    }
    if (!IsCustomMode(Mode()) || picture.GetSelectKey() <= 0) {
        return;
    }
    if (StorePaintedSet()) {
        // The stroke is done: the next colour is for the keys painted next, and must not
        // repaint these behind the user's back.
        picture.ResetAllItemCheck();
    }
    poster_.PostTask(kTaskWriteLightLayer);
}

void LightPage::SelectAllKeys() {
    picture.ResetAllItemCheck(1);
}

bool LightPage::StorePaintedSet() {
    if (!colorsKnown_.load()) {
        // The other keys show black only because the set could not be read: storing the
        // picture would blank them on the keyboard. The layer job says why nothing happens.
        paintRefused_ = true;
        return false;
    }
    return StoreCustomSet();
}

bool LightPage::StoreCustomSet() {
    const int profile = Profile();
    const int mode = Mode();
    if (!IsCustomSet(mode)) {
        return false;
    }
    std::vector<UserLightRgbData> rows;
    for (const KeyItem& item : picture.GetKeyItems()) {
        if (item.code <= 0) {
            continue;
        }
        UserLightRgbData row;
        row.profile = profile;
        row.userlight_id = mode;
        row.key_code = item.code;
        row.key_rgb = static_cast<int>(item.color & 0xFFFFFF);
        rows.push_back(row);
    }
    // Replaced in one transaction: a failed insert must not leave the set without colours.
    DataStore::Transaction transaction(store_);
    const size_t count = rows.size();
    return transaction.IsActive() && store_.DeleteUserLightColors(profile, mode) &&
           store_.InsertUserLightColors(std::move(rows)) == static_cast<int>(count) &&
           transaction.Commit();
}

}  // namespace zanvor
