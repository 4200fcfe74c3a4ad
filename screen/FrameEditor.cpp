#include "screen/FrameEditor.h"

#include <algorithm>
#include <charconv>
#include <filesystem>

#include "device/SessionState.h"
#include "store/DataStore.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

// The leading decimal number of a text box (0 when there is none), saturated to int.
int ParseNumber(const std::string& text) {
    long long value = 0;
    const char* first = text.data();
    while (first != text.data() + text.size() && *first == ' ') {
        ++first;
    }
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return first != text.data() + text.size() && *first == '-' ? INT32_MIN : INT32_MAX;
    }
    if (result.ec != std::errc()) {
        return 0;
    }
    return static_cast<int>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

// A box's value clamped into [low, high]; the box is rewritten when it had to be corrected.
int ClampBox(MEdit& box, int low, int high) {
    const std::string text = box.GetText();
    const int value = std::clamp(ParseNumber(text), low, high);
    if (text != std::to_string(value)) {
        box.SetText(std::to_string(value));
    }
    return value;
}

std::string PaletteKey(int controlId) {
    return "default_color" + std::to_string(controlId - kIdScreenPaletteFirst + 1);
}

}  // namespace

FrameEditor::FrameEditor(ScreenModels& models, ScreenPageState& state, ScreenLibrary& library,
                         Dialogs& dialogs, DataStore& store, SessionState& session)
    : models_(models),
      state_(state),
      library_(library),
      dialogs_(dialogs),
      store_(store),
      session_(session) {
    for (MEdit* box : {&models_.red, &models_.green, &models_.blue}) {
        box->SetText("255");
    }
    models_.fontSize.SetText(std::to_string(models_.editor.GetFontSize()));
    models_.palette[0].SetCheck(true);
}

void FrameEditor::ClearFrames() {
    models_.frames.DeleteAllItems();
    models_.editor.DeleteAllItems();
    state_.currentFrame = -1;
    state_.previousEditedFrame = -1;
}

void FrameEditor::LoadFrames(int animationId, int show) {
    ClearFrames();
    for (const FrameEntry& frame : library_.ListFrames(animationId)) {
        models_.frames.AddString(frame.storedFile, frame.delay, frame.frameId, frame.fileName);
    }
    const int count = models_.frames.GetItemCount();
    if (count > 0) {
        const int index = show >= 0 && show < count ? show : 0;
        models_.frames.SetCurSel(index);
        ShowFrame(index);
    }
}

std::vector<FrameEntry> FrameEditor::Entries() const {
    std::vector<FrameEntry> entries;
    for (const FrameItem& item : models_.frames.GetImageViewItems()) {
        entries.push_back(
            FrameEntry{item.imageFile, item.editFile, item.fileName, item.delay, item.frameId});
    }
    return entries;
}

void FrameEditor::ShowFrame(int index) {
    state_.currentFrame = index;
    state_.previousEditedFrame = index;
    if (index < 0) {
        models_.editor.DeleteAllItems();
        return;
    }
    models_.editor.SetImage(models_.frames.GetItemEditImageFile(index));
}

int FrameEditor::AddPictures() {
    if (state_.currentAnimation == 0) {
        return 0;
    }
    const std::vector<std::string> files =
        dialogs_.OpenFiles({}, {{"Picture", {"*.jpg", "*.png"}}});
    const bool wasEmpty = models_.frames.GetItemCount() == 0;
    // Each picture goes right after the one added before it, so they keep the order chosen.
    int position = models_.frames.GetCurSel();
    int added = 0;
    std::string unreadable;
    for (const std::string& file : files) {
        const std::string path = library_.AddPicture(state_.currentAnimation, file);
        if (path.empty()) {
            unreadable +=
                (unreadable.empty() ? "" : ", ") + std::filesystem::path(file).filename().string();
            continue;
        }
        const std::string name = std::filesystem::path(path).filename().string();
        const int count = models_.frames.GetItemCount();
        if (position < 0 || position >= count - 1) {
            position = models_.frames.AddString(path, kPictureFrameDelay, 0, name);
        } else {
            position = models_.frames.AddString(position, path, kPictureFrameDelay, 0, name);
        }
        ++added;
    }
    state_.previousEditedFrame = -1;
    if (added > 0) {
        state_.unsaved = true;
        if (wasEmpty) {
            models_.frames.SetCurSel(0);
            ShowFrame(0);
        }
    }
    if (!unreadable.empty()) {
        std::string text = LoadText("KB.DIALOG", 1671);
        const size_t at = text.find("%1");
        text = at == std::string::npos ? text + " " + unreadable : text.replace(at, 2, unreadable);
        dialogs_.MessageBox(text, LoadText("KB.DIALOG", 814));
    }
    return added;
}

void FrameEditor::AddText() {
    const std::string text = models_.text.GetText();
    if (text.empty()) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 839), LoadText("KB.DIALOG", 838));
        return;
    }
    models_.editor.SetDrawMode(ImageView::kModeText);
    if (models_.editor.AddText(text)) {
        state_.unsaved = true;
    }
}

void FrameEditor::FontSizeChanged() {
    models_.editor.SetFontSize(ClampBox(models_.fontSize, 1, kMaxFontSize));
}

void FrameEditor::CopyFrame() {
    const int count = models_.frames.GetItemCount();
    const int selected = models_.frames.GetCurSel();
    if (count == 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 840), LoadText("KB.DIALOG", 842));
        return;
    }
    if (selected < 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 841), LoadText("KB.DIALOG", 842));
        return;
    }
    const std::string path =
        library_.CopyFrame(state_.currentAnimation, models_.frames.GetItemEditImageFile(selected));
    if (path.empty()) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 1659), LoadText("KB.DIALOG", 842));
        return;
    }
    const int copy =
        models_.frames.AddString(selected, path, models_.frames.GetItemDelayTime(selected), 0,
                                 std::filesystem::path(path).filename().string());
    models_.frames.SetCurSel(copy);
    ShowFrame(copy);
    state_.unsaved = true;
}

void FrameEditor::DeleteFrame() {
    const int count = models_.frames.GetItemCount();
    const int selected = models_.frames.GetCurSel();
    if (count == 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 845), LoadText("KB.DIALOG", 844));
        return;
    }
    if (selected < 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 846), LoadText("KB.DIALOG", 844));
        return;
    }
    if (!dialogs_.Question(LoadText("KB.DIALOG", 843), LoadText("KB.DIALOG", 844))) {
        return;
    }
    state_.unsaved = true;
    models_.frames.DeleteItem(selected);
    const int left = models_.frames.GetItemCount();
    const int next = left == 0 ? -1 : (selected < left ? selected : 0);
    models_.frames.SetCurSel(next);
    ShowFrame(next);
}

void FrameEditor::FrameSelected() {
    const int selected = models_.frames.GetCurSel();
    if (selected < 0) {
        return;
    }
    const int previous = state_.previousEditedFrame;
    const std::string editFile = models_.editor.GetEditImageFile();
    if (previous >= 0 && previous != selected && !editFile.empty()) {
        models_.frames.UpdateItemImageFile(previous, editFile);
    }
    ShowFrame(selected);
}

void FrameEditor::EditDelay() {
    const int selected = models_.frames.GetCurSel();
    if (selected < 0 || !delayDialog_) {
        return;
    }
    const std::optional<DelayChoice> choice =
        delayDialog_(models_.frames.GetItemDelayTime(selected));
    if (!choice) {
        return;
    }
    state_.unsaved = true;
    const int delay = ClampFrameDelay(ParseNumber(choice->value));
    if (choice->allFrames) {
        models_.frames.SetDelayTime(delay);
    } else {
        models_.frames.SetItemDelayTime(selected, delay);
    }
}

void FrameEditor::OrderChanged() {
    state_.unsaved = true;
    state_.currentFrame = models_.frames.GetCurSel();
    state_.previousEditedFrame = state_.currentFrame;
}

void FrameEditor::EditFinished() {
    const std::string editFile = models_.editor.GetEditImageFile();
    if (state_.currentFrame >= 0 && !editFile.empty()) {
        models_.frames.UpdateItemImageFile(state_.currentFrame, editFile);
    }
    state_.unsaved = true;
}

void FrameEditor::SelectPen() {
    models_.editor.SetDrawMode(ImageView::kModePen);
}

void FrameEditor::SelectEraser() {
    models_.editor.SetDrawMode(ImageView::kModeEraser);
}

void FrameEditor::Undo() {
    models_.editor.RecoverCurEdit();
}

void FrameEditor::GridChanged() {
    models_.editor.SetShowGridLine(models_.grid.GetCheck());
}

void FrameEditor::EditMode(bool editingEnabled) {
    models_.editor.SetImagePreviewMode(false);
    models_.state.SetPreviewMode(false);
    models_.state.SetEditingEnabled(editingEnabled);
}

void FrameEditor::PreviewMode() {
    models_.editor.ClearPreviewFrames();
    for (const FrameItem& frame : models_.frames.GetImageViewItems()) {
        models_.editor.AddString(frame.editFile, frame.delay, frame.frameId);
    }
    models_.editor.SetImagePreviewMode(true);
    models_.state.SetPreviewMode(true);
}

void FrameEditor::FillColourBoxes(uint32_t colour) {
    models_.red.SetText(std::to_string(colour & 0xFF));
    models_.green.SetText(std::to_string((colour >> 8) & 0xFF));
    models_.blue.SetText(std::to_string((colour >> 16) & 0xFF));
}

void FrameEditor::ApplyColour(uint32_t colour) {
    const int button = state_.selectedPaletteButton;
    models_.palette[static_cast<size_t>(button - kIdScreenPaletteFirst)].SetColor(colour);
    store_.UpdateConfigValue(session_.currentProfile.load(), PaletteKey(button),
                             std::to_string(colour));
    models_.editor.SetColorValue(colour);
}

void FrameEditor::ColourBoxChanged() {
    const auto red = static_cast<uint32_t>(ClampBox(models_.red, 0, 255));
    const auto green = static_cast<uint32_t>(ClampBox(models_.green, 0, 255));
    const auto blue = static_cast<uint32_t>(ClampBox(models_.blue, 0, 255));
    const uint32_t colour = red + 256 * green + 65536 * blue;
    models_.picker.SetSelectColor(colour);
    ApplyColour(colour);
}

void FrameEditor::PickerPicked() {
    const uint32_t colour = models_.picker.GetSelectColor();
    FillColourBoxes(colour);
    ApplyColour(colour);
}

void FrameEditor::ColourBarPicked() {
    const uint32_t colour = models_.colourBar.GetSelectColor();
    models_.picker.SetSelectColor(colour);
    FillColourBoxes(colour);
    ApplyColour(colour);
}

void FrameEditor::PaletteClicked(int controlId) {
    if (controlId < kIdScreenPaletteFirst || controlId > kIdScreenPaletteLast) {
        return;
    }
    state_.selectedPaletteButton = controlId;
    for (CColorButton& button : models_.palette) {
        button.SetCheck(button.ControlId() == controlId);
    }
    const uint32_t colour =
        models_.palette[static_cast<size_t>(controlId - kIdScreenPaletteFirst)].GetColor();
    FillColourBoxes(colour);
    models_.picker.SetSelectColor(colour);
    ApplyColour(colour);
}

void FrameEditor::LoadPalette() {
    const int profile = session_.currentProfile.load();
    for (int id = kIdScreenPaletteFirst; id <= kIdScreenPaletteLast; ++id) {
        models_.palette[static_cast<size_t>(id - kIdScreenPaletteFirst)].SetColor(
            static_cast<uint32_t>(store_.GetConfigInt(profile, PaletteKey(id))));
    }
}

}  // namespace zanvor
