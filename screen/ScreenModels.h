#pragma once

#include <array>

#include "ui/ImageView.h"
#include "ui/ImageViewList.h"
#include "ui/LCDPalette.h"
#include "ui/LCDViewCtrl.h"
#include "ui/LCDViewList.h"
#include "ui/MEdit.h"
#include "ui/ScreenEditState.h"
#include "ui/SwitchButton.h"

namespace zanvor {

// Control ids of the screen page; buttons without a model raise event 1.
enum ScreenControlId : int {
    kIdScreenSlots = 369,
    kIdScreenLibrary = 371,
    kIdScreenNew = 372,
    kIdScreenImport = 373,
    kIdScreenDelete = 374,
    kIdScreenGrid = 379,
    kIdScreenEditor = 380,
    kIdScreenEditMode = 381,
    kIdScreenPreviewMode = 383,
    kIdScreenFrames = 384,
    kIdScreenText = 387,
    kIdScreenFontSize = 390,
    kIdScreenAddText = 391,
    kIdScreenAddPictures = 392,
    kIdScreenCopyFrame = 393,
    kIdScreenPen = 394,
    kIdScreenEraser = 395,
    kIdScreenDeleteFrame = 396,
    kIdScreenUndo = 397,
    kIdScreenPicker = 399,
    kIdScreenColourBar = 400,
    kIdScreenRed = 404,
    kIdScreenGreen = 405,
    kIdScreenBlue = 406,
    kIdScreenPaletteFirst = 407,
    kIdScreenPaletteLast = 412,
    kIdScreenRestore = 413,
    kIdScreenSave = 414,
    kIdScreenExport = 415,
    kIdScreenSend = 416,
};

inline constexpr int kScreenPaletteSize = kIdScreenPaletteLast - kIdScreenPaletteFirst + 1;

// The control models of the screen page.
struct ScreenModels {
    ScreenModels() {
        for (int i = 0; i < kScreenPaletteSize; ++i) {
            palette[static_cast<size_t>(i)].SetControlId(kIdScreenPaletteFirst + i);
        }
    }
    ScreenModels(const ScreenModels&) = delete;
    ScreenModels& operator=(const ScreenModels&) = delete;

    LCDViewCtrl screenSlots{kIdScreenSlots};
    LCDViewList library{kIdScreenLibrary};
    SwitchButton grid{kIdScreenGrid};
    ImageView editor{kIdScreenEditor};
    ImageViewList frames{kIdScreenFrames};
    MEdit text{kIdScreenText};
    MEdit fontSize{kIdScreenFontSize};
    LCDPalette3 picker{kIdScreenPicker};
    LCDPalette2 colourBar{kIdScreenColourBar};
    MEdit red{kIdScreenRed};
    MEdit green{kIdScreenGreen};
    MEdit blue{kIdScreenBlue};
    std::array<CColorButton, kScreenPaletteSize> palette;
    ScreenEditState state;
};

// What the parts of the screen page share; UI thread only.
struct ScreenPageState {
    int currentAnimation = 0;      // 0: none
    int currentFrame = -1;         // index in the frame strip, -1: none
    int previousEditedFrame = -1;  // the frame the editor shows edits of, -1: none
    bool unsaved = false;          // frame edits not saved yet
    int selectedPaletteButton = kIdScreenPaletteFirst;
    int currentSlot = 0;
    int slotCapacity = 0;
};

}  // namespace zanvor
