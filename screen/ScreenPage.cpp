#include "screen/ScreenPage.h"

#include <filesystem>
#include <system_error>

#include "device/SessionState.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"
#include "ui/PageRegistry.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

// Buttons of the page that have no model of their own.
constexpr int kButtons[] = {
    kIdScreenNew,         kIdScreenImport,  kIdScreenDelete,      kIdScreenEditMode,
    kIdScreenPreviewMode, kIdScreenAddText, kIdScreenAddPictures, kIdScreenCopyFrame,
    kIdScreenPen,         kIdScreenEraser,  kIdScreenDeleteFrame, kIdScreenUndo,
    kIdScreenRestore,     kIdScreenSave,    kIdScreenExport,      kIdScreenSend};

// Notification codes of the models, as their classes name them.
constexpr int kSelected = ItemListModel<FrameItem>::kEventSelectionChanged;

}  // namespace

ScreenPage::ScreenPage(DataStore& store, Dialogs& dialogs, TaskPoster& poster,
                       SessionState& session, ScreenPageHooks hooks, ImageServices* images)
    : store_(store),
      dialogs_(dialogs),
      poster_(poster),
      images_(images != nullptr ? images : &fileImages_),
      hooks_(std::move(hooks)),
      library_(store, *images_),
      frames_(models_, state_, library_, dialogs, store, session),
      commands_(*this, models_, state_, library_, dialogs, poster, hooks_.queueEmpty) {
    frames_.SetDelayDialog(hooks_.delayDialog);
    state_.slotCapacity = SlotCapacity(0);
    RouteEvents();
}

void ScreenPage::SetImageServices(ImageServices& images) {
    images_ = &images;
    library_.SetImageServices(images);
}

void ScreenPage::RouteEvents() {
    const auto sink = [this](int controlId, int event) { OnControl(controlId, event); };
    for (ControlModel* model : std::initializer_list<ControlModel*>{
             &models_.screenSlots, &models_.library, &models_.grid, &models_.editor,
             &models_.frames, &models_.text, &models_.fontSize, &models_.picker, &models_.colourBar,
             &models_.red, &models_.green, &models_.blue}) {
        model->SetEventSink(sink);
    }
    for (CColorButton& button : models_.palette) {
        button.SetEventSink(sink);
    }
}

void ScreenPage::Register(PageRegistry& registry) {
    const auto handler = [this](int controlId) {
        return [this, controlId](int event) { OnControl(controlId, event); };
    };
    for (ControlModel* model : std::initializer_list<ControlModel*>{
             &models_.screenSlots, &models_.library, &models_.grid, &models_.editor,
             &models_.frames, &models_.text, &models_.fontSize, &models_.picker, &models_.colourBar,
             &models_.red, &models_.green, &models_.blue}) {
        registry.AddControl(*model, handler(model->ControlId()));
    }
    for (CColorButton& button : models_.palette) {
        registry.AddControl(button, handler(button.ControlId()));
    }
    for (const int button : kButtons) {
        registry.AddControl(button, handler(button));
    }
    // Import and export work on the library alone: they run without a keyboard online.
    const auto result = [](const LibraryOutcome& outcome) {
        return outcome.Ok() ? TaskResult() : TaskResult::Failed(DescribeOutcome(outcome));
    };
    registry.AddTask(kTaskScreenExport,
                     [this, result] { return result(commands_.TaskExportGif()); },
                     {.needsKeyboard = false, .closesBusyDialog = true});
    registry.AddTask(kTaskScreenImport,
                     [this, result] { return result(commands_.TaskImportGif()); },
                     {.needsKeyboard = false, .closesBusyDialog = true});
    registry.AddTask(kTaskScreenSelectSlot,
                     [this] {
                         commands_.TaskSelectSlot();
                         return TaskResult();
                     },
                     {.needsKeyboard = false});
    registry.AddPagesRefresh([this] { TaskLoadLibrary(); });
    registry.AddResetStep([this] { TaskResetLibrary(); });
    // After a language change the slot texts are made again in the new language.
    registry.AddWindowMessage(kMsgReapplyTexts, [this](uintptr_t, intptr_t) { FillSlots(); });
    for (const uint32_t message : {kMsgScreenLibrary, kMsgScreenImported, kMsgScreenExported}) {
        registry.AddWindowMessage(message, [this, message](uintptr_t wParam, intptr_t lParam) {
            OnWindowMessage(message, wParam, lParam);
        });
    }
}

bool ScreenPage::OnControl(int controlId, int event) {
    if (controlId >= kIdScreenPaletteFirst && controlId <= kIdScreenPaletteLast) {
        frames_.PaletteClicked(controlId);
        return true;
    }
    switch (controlId) {
        case kIdScreenSlots:
            if (event == kSelected) {
                SlotSelected();
            }
            return true;
        case kIdScreenLibrary:
            if (event == kSelected) {
                AnimationSelected();
            } else if (event == LCDViewList::kEventRenameRequested) {
                RenameAnimation();
            }
            return true;
        case kIdScreenNew:
            NewAnimation();
            return true;
        case kIdScreenImport:
            commands_.Import();
            return true;
        case kIdScreenDelete:
            DeleteAnimation();
            return true;
        case kIdScreenGrid:
            frames_.GridChanged();
            return true;
        case kIdScreenEditor:
            // The editor's context menu (notification 5) is handled inside the control.
            if (event == ImageView::kEventEditFinished) {
                frames_.EditFinished();
            }
            return true;
        case kIdScreenEditMode:
            frames_.EditMode(state_.currentAnimation != 0 && !CurrentAnimationMissing());
            return true;
        case kIdScreenPreviewMode:
            frames_.PreviewMode();
            return true;
        case kIdScreenFrames:
            if (event == kSelected) {
                frames_.FrameSelected();
            } else if (event == ImageViewList::kEventDelayRequest) {
                frames_.EditDelay();
            } else if (event == ImageViewList::kEventOrderChanged) {
                frames_.OrderChanged();
            }
            return true;
        case kIdScreenText:
            return true;
        case kIdScreenFontSize:
            frames_.FontSizeChanged();
            return true;
        case kIdScreenAddText:
            frames_.AddText();
            return true;
        case kIdScreenAddPictures:
            frames_.AddPictures();
            return true;
        case kIdScreenCopyFrame:
            frames_.CopyFrame();
            return true;
        case kIdScreenPen:
            frames_.SelectPen();
            return true;
        case kIdScreenEraser:
            frames_.SelectEraser();
            return true;
        case kIdScreenDeleteFrame:
            frames_.DeleteFrame();
            return true;
        case kIdScreenUndo:
            frames_.Undo();
            return true;
        case kIdScreenPicker:
            frames_.PickerPicked();
            return true;
        case kIdScreenColourBar:
            frames_.ColourBarPicked();
            return true;
        case kIdScreenRed:
        case kIdScreenGreen:
        case kIdScreenBlue:
            frames_.ColourBoxChanged();
            return true;
        case kIdScreenRestore:
            commands_.Restore();
            return true;
        case kIdScreenSave:
            SaveAnimation();
            return true;
        case kIdScreenExport:
            commands_.Export();
            return true;
        case kIdScreenSend:
            commands_.Send();
            return true;
        default:
            return false;
    }
}

bool ScreenPage::OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t) {
    switch (id) {
        case kMsgScreenLibrary:
            if (wParam == kLibraryChanged) {
                SyncLibraryList();
            } else {
                LoadLibrary(wParam == kLibraryReload);
            }
            return true;
        case kMsgScreenImported:
            commands_.ImportFinished();
            return true;
        case kMsgScreenExported:
            commands_.ExportFinished();
            return true;
        default:
            return false;
    }
}

ScreenLibrary& ScreenPage::SelectedLibrary() {
    library_.SetPlace(hooks_.place ? hooks_.place() : LibraryPlace{});
    return library_;
}

void ScreenPage::TaskLoadLibrary() {
    library_.SetPlace(hooks_.place ? hooks_.place() : LibraryPlace{});
    library_.CreateDefaultLibrary();
    poster_.PostWindowMessage(kMsgScreenLibrary, 0, 0);
}

void ScreenPage::TaskResetLibrary() {
    library_.SetPlace(hooks_.place ? hooks_.place() : LibraryPlace{});
    library_.ClearLibrary();
    library_.CreateDefaultLibrary();
    poster_.PostWindowMessage(kMsgScreenLibrary, kLibraryReload, 0);
}

void ScreenPage::LoadLibrary(bool force) {
    const LibraryPlace place = library_.Place();
    if (loaded_ && !force && place == loadedPlace_) {
        frames_.LoadPalette();
        return;
    }
    loaded_ = true;
    loadedPlace_ = place;

    // Edit files of an earlier run or another model are of no use any more.
    std::string editFolder;
    if (!place.dataFolder.empty()) {
        editFolder = place.dataFolder + "temp/screen/";
        std::error_code error;
        std::filesystem::remove_all(editFolder, error);
    }
    models_.editor.Configure(images_, editFolder, place.format.width, place.format.height);
    models_.library.DeleteAllItems();
    models_.screenSlots.DeleteAllItems();
    frames_.ClearFrames();
    frames_.EditMode(false);
    state_.currentAnimation = 0;
    state_.unsaved = false;

    if (place.Valid()) {
        FillSlots();
        models_.screenSlots.SetCurSel(0);
        state_.currentSlot = 0;
        state_.slotCapacity = SlotCapacity(0);

        FillLibraryList();
    }
    if (!LibraryEmpty()) {
        models_.library.SetCurSel(0);
        ShowAnimation(models_.library.GetItemLEDId(0));
    }
    frames_.LoadPalette();
}

void ScreenPage::FillSlots() {
    const int selected = models_.screenSlots.GetCurSel();
    models_.screenSlots.DeleteAllItems();
    if (!library_.Place().Valid()) {
        return;
    }
    const std::string frames = LoadText("KB.DIALOG", 871);
    const std::string capacity = LoadText("KB.DIALOG", 872);
    const auto capacityText = [&capacity](int slot) {
        return SlotCapacity(slot) > 0 ? capacity + " " + std::to_string(SlotCapacity(slot))
                                      : std::string();
    };
    for (int slot = 0; slot < kScreenSlotCount; ++slot) {
        models_.screenSlots.AddItem({}, frames + " 0", capacityText(slot));
    }
    const std::vector<TftScreenData> rows = library_.ListSlots();
    for (size_t slot = 0; slot < rows.size(); ++slot) {
        models_.screenSlots.SetItemInfo(static_cast<int>(slot), rows[slot].file_name,
                                        frames + " " + std::to_string(rows[slot].frame_size),
                                        capacityText(static_cast<int>(slot)));
    }
    models_.screenSlots.SetCurSel(selected);
}

void ScreenPage::FillLibraryList() {
    models_.library.DeleteAllItems();
    for (const LibraryAnimation& animation : library_.ListAnimations()) {
        if (animation.factory) {
            continue;
        }
        const std::string preview =
            animation.missing || animation.layer.first_file.empty()
                ? std::string()
                : library_.AnimationFolder(animation.layer.file_dir) + animation.layer.first_file;
        models_.library.AddString(preview, ScreenLibrary::GivenName(animation.layer),
                                  animation.frameCount, animation.layer.led_id, animation.missing);
    }
}

void ScreenPage::SyncLibraryList() {
    if (!loaded_) {
        return;
    }
    FillSlots();
    FillLibraryList();
    if (models_.library.SetItemLEDIdSelect(state_.currentAnimation)) {
        return;
    }
    // The animation shown is gone: the first one takes its place.
    state_.unsaved = false;
    if (LibraryEmpty()) {
        state_.currentAnimation = 0;
        frames_.ClearFrames();
        frames_.EditMode(false);
        return;
    }
    models_.library.SetCurSel(0);
    ShowAnimation(models_.library.GetItemLEDId(0));
}

bool ScreenPage::CurrentAnimationMissing() const {
    for (const AnimationItem& item : models_.library.GetItems()) {
        if (item.ledId == state_.currentAnimation) {
            return item.missing;
        }
    }
    return false;
}

void ScreenPage::ShowAnimation(int animationId) {
    state_.currentAnimation = animationId;
    frames_.LoadFrames(animationId);
    frames_.EditMode(animationId != 0 && !CurrentAnimationMissing());
}

void ScreenPage::AnimationSelected() {
    const int index = models_.library.GetCurSel();
    if (index < 0) {
        return;
    }
    const int selected = models_.library.GetItemLEDId(index);
    if (selected != state_.currentAnimation && state_.unsaved &&
        dialogs_.Question(LoadText("KB.DIALOG", 831), LoadText("KB.DIALOG", 830))) {
        models_.library.SetItemLEDIdSelect(state_.currentAnimation);
        SaveAnimation();
        models_.library.SetItemLEDIdSelect(selected);
    }
    // Declined edits are dropped with the frame strip, which now shows the other animation.
    state_.unsaved = false;
    ShowAnimation(selected);
    // An animation without frames asks for pictures straight away.
    if (models_.frames.GetItemCount() == 0 && !CurrentAnimationMissing()) {
        frames_.AddPictures();
    }
}

void ScreenPage::NewAnimation() {
    CheckUnsavedChanges();
    std::string folder;
    const int id = library_.CreateAnimation(folder);
    if (id == 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 1658), LoadText("KB.DIALOG", 1650));
        return;
    }
    models_.library.SetCurSel(models_.library.AddString({}, {}, 0, id));
    ShowAnimation(id);
}

void ScreenPage::DeleteAnimation() {
    CheckUnsavedChanges();
    const int index = models_.library.GetCurSel();
    if (index < 0 || !dialogs_.Question(LoadText("KB.DIALOG", 836), LoadText("KB.DIALOG", 835))) {
        return;
    }
    const LibraryOutcome outcome = library_.DeleteAnimation(models_.library.GetItemLEDId(index));
    if (!outcome.Ok()) {
        dialogs_.MessageBox(DescribeOutcome(outcome), LoadText("KB.DIALOG", 835));
        return;
    }
    models_.library.DeleteItem(index);
    if (LibraryEmpty()) {
        state_.currentAnimation = 0;
        frames_.ClearFrames();
        frames_.EditMode(false);
        return;
    }
    const int next = index > 0 ? index - 1 : 0;
    models_.library.SetCurSel(next);
    ShowAnimation(models_.library.GetItemLEDId(next));
}

bool ScreenPage::SaveAnimation() {
    if (state_.currentAnimation <= 0) {
        return false;
    }
    models_.editor.SaveImageData();
    const std::string editFile = models_.editor.GetEditImageFile();
    if (state_.currentFrame >= 0 && !editFile.empty()) {
        models_.frames.UpdateItemImageFile(state_.currentFrame, editFile);
    }
    const LibraryOutcome outcome = library_.StoreFrames(state_.currentAnimation, frames_.Entries());
    if (!outcome.Ok()) {
        dialogs_.MessageBox(DescribeOutcome(outcome), LoadText("KB.DIALOG", 819));
        return false;
    }
    // The frame being worked on stays chosen.
    frames_.LoadFrames(state_.currentAnimation, models_.frames.GetCurSel());
    state_.unsaved = false;

    const LedLayerData layer = library_.Animation(state_.currentAnimation);
    const int count = models_.frames.GetItemCount();
    const std::string preview =
        count > 0 ? library_.AnimationFolder(layer.file_dir) + layer.first_file : std::string();
    const std::vector<AnimationItem> items = models_.library.GetItems();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].ledId == state_.currentAnimation) {
            models_.library.SetFrameData(static_cast<int>(i), preview, count);
        }
    }
    return true;
}

void ScreenPage::RenameAnimation() {
    const std::optional<std::pair<int, std::string>> rename = models_.library.TakeRename();
    const int id = rename ? models_.library.GetItemLEDId(rename->first) : 0;
    if (id == 0) {
        return;
    }
    const LibraryOutcome outcome = library_.RenameAnimation(id, rename->second);
    if (!outcome.Ok()) {
        dialogs_.MessageBox(DescribeOutcome(outcome), LoadText("KB.DIALOG", 1465));
        return;
    }
    models_.library.SetItemText(rename->first, ScreenLibrary::GivenName(library_.Animation(id)));
}

void ScreenPage::CheckUnsavedChanges() {
    if (!state_.unsaved) {
        return;
    }
    if (dialogs_.Question(LoadText("KB.DIALOG", 831), LoadText("KB.DIALOG", 830))) {
        // A save that failed (the message said why) keeps the edits and the flag.
        if (!SaveAnimation()) {
            return;
        }
    } else {
        // Dropped: the frames come back as stored, so nothing declined is saved later.
        frames_.LoadFrames(state_.currentAnimation);
    }
    state_.unsaved = false;
}

void ScreenPage::SlotSelected() {
    const int slot = models_.screenSlots.GetCurSel();
    if (slot < 0) {
        return;
    }
    state_.currentSlot = slot;
    state_.slotCapacity = SlotCapacity(slot);
    commands_.SlotSelected(slot);
    models_.state.SetEditingEnabled(!LibraryEmpty() && state_.currentAnimation != 0 &&
                                    !CurrentAnimationMissing());
}

void ScreenPage::AddToLibrary(int animationId) {
    const LedLayerData layer = library_.Animation(animationId);
    const int count = static_cast<int>(library_.ListFrames(animationId).size());
    const int index =
        models_.library.AddString(library_.AnimationFolder(layer.file_dir) + layer.first_file,
                                  ScreenLibrary::GivenName(layer), count, animationId);
    models_.library.SetCurSel(index);
    ShowAnimation(animationId);
}

}  // namespace zanvor
