#pragma once

// The frame half of the screen page: the frame strip of the current animation, the editor
// and its tools, the text and font size, the frame times and the colour palette. Runs on
// the UI thread; the page decides which animation is current and saves.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "screen/ScreenLibrary.h"
#include "screen/ScreenModels.h"

namespace zanvor {

class DataStore;
class Dialogs;
class SessionState;

// What the frame time dialog (LCDDelayEditDlg) returns: the text typed, and whether it is
// for every frame or only the selected one.
struct DelayChoice {
    bool allFrames = false;
    std::string value;
};
// Shows the frame time dialog with the selected frame's time; nullopt when cancelled.
using DelayDialog = std::function<std::optional<DelayChoice>(int currentDelay)>;

class FrameEditor {
  public:
    // Largest font size the editor letters with: far more than the screen is high.
    static constexpr int kMaxFontSize = 200;

    FrameEditor(ScreenModels& models, ScreenPageState& state, ScreenLibrary& library,
                Dialogs& dialogs, DataStore& store, SessionState& session);

    void SetDelayDialog(DelayDialog dialog) { delayDialog_ = std::move(dialog); }

    // Fills the frame strip with the animation's stored frames and shows frame `show` (frame
    // 0 when the animation has fewer frames).
    void LoadFrames(int animationId, int show = 0);
    // Empties the frame strip and the editor.
    void ClearFrames();
    // The frames as the strip holds them, for saving.
    std::vector<FrameEntry> Entries() const;

    // Button 392: pictures chosen in the file dialog become frames after the selected one, in
    // the order chosen. Pictures that cannot be read are named in a message. Returns the
    // number of frames added.
    int AddPictures();
    // Button 391: the text of box 387 lettered onto the frame.
    void AddText();
    // Box 390 changed: the font size, kept between 1 and kMaxFontSize.
    void FontSizeChanged();
    // Button 393: a copy of the selected frame right after it.
    void CopyFrame();
    // Button 396: the selected frame removed, after the user confirmed.
    void DeleteFrame();
    // Strip notification 2: the editor shows the chosen frame.
    void FrameSelected();
    // Strip notification 9: the frame time dialog; times are kept between 30 and 500 ms.
    void EditDelay();
    // Strip notification 10: a frame was moved.
    void OrderChanged();
    // Editor notification 32: the edited picture belongs to the selected frame.
    void EditFinished();

    // Tools (394 pen, 395 eraser, 397 undo, 379 grid) and modes (381 edit, 383 preview).
    void SelectPen();
    void SelectEraser();
    void Undo();
    void GridChanged();
    void EditMode(bool editingEnabled);
    void PreviewMode();

    // Colours: a red, green or blue box changed (404-406), the picker (399) or the colour bar
    // (400) picked, a palette button (407-412) clicked.
    void ColourBoxChanged();
    void PickerPicked();
    void ColourBarPicked();
    void PaletteClicked(int controlId);
    // The six palette colours of the current profile.
    void LoadPalette();

  private:
    // The edit file (or stored file) of a frame shown in the editor as the frame edited.
    void ShowFrame(int index);
    void FillColourBoxes(uint32_t colour);
    void ApplyColour(uint32_t colour);

    ScreenModels& models_;
    ScreenPageState& state_;
    ScreenLibrary& library_;
    Dialogs& dialogs_;
    DataStore& store_;
    SessionState& session_;
    DelayDialog delayDialog_;
};

}  // namespace zanvor
