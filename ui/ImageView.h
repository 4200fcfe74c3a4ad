#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"
#include "ui/ScreenImage.h"

namespace zanvor {

class ImageServices;

// The frame editor of the screen page (ImageView): the picture of the selected frame, the
// tools drawing on it (pen, eraser, text), the undo of the current edits, and the frames it
// plays in preview mode.
//
// An edited picture is kept in its own edit file (in the edit folder), never in the frame's
// stored file: the page copies edit files over stored files when the user saves. Every edit
// that finishes (a stroke, a text, an undo, a menu command) writes the edit file and raises
// kEventEditFinished. Used on the UI thread; the lock only keeps views consistent.
class ImageView : public ControlModel {
  public:
    static constexpr int kEventContextMenu = 5;
    static constexpr int kEventEditFinished = 32;

    enum DrawMode : int { kModeText = 100, kModePen = 102, kModeEraser = 111 };
    enum Change { kChangeImage = 16, kChangeTools, kChangePreview };

    // Pen and eraser widths in screen pixels; how many edits can be undone.
    static constexpr int kPenSize = 1;
    static constexpr int kEraserSize = 3;
    static constexpr size_t kUndoDepth = 50;

    // A frame played in preview mode.
    struct PreviewFrame {
        std::string file;
        int delay = 0;
        int frameId = 0;
    };

    explicit ImageView(int controlId = 0) : ControlModel(controlId) {}

    // Set once by the page: pictures are read and written through `services`, edit files go
    // into `editFolder` (ending with '/'), and pictures are fitted to width × height.
    void Configure(ImageServices* services, const std::string& editFolder, int width, int height);

    // Shows a frame's picture (its edit file, or stored file when unedited): no edit file
    // yet, nothing to undo. A file that cannot be read shows an empty (black) picture.
    void SetImage(const std::string& file);
    // No picture and no preview frames.
    void DeleteAllItems();
    // Appends a frame to play in preview mode; ClearPreviewFrames removes them all.
    void AddString(const std::string& file, int delay, int frameId);
    void ClearPreviewFrames();
    void SetImagePreviewMode(bool on);
    void SetDrawMode(int mode);
    // Letters the text onto the picture with the current colour and font size, in the
    // middle; in text mode the user then moves it with the pointer. False without a picture
    // or when nothing could be drawn.
    bool AddText(const std::string& text);
    void SetFontSize(int size);
    void SetColorValue(uint32_t colour);
    // Undoes the last edit; false when there is none.
    bool RecoverCurEdit();
    // Writes the edited picture to its edit file (named on the first edit). False when there
    // is no edit or it could not be written.
    bool SaveImageData();
    // Writes the picture shown to `file`.
    bool SaveCurrentImage(const std::string& file);
    // The edit file of the picture shown; empty while it is unedited.
    std::string GetEditImageFile() const;
    void SetShowGridLine(bool on);

    // ---- what views draw ----
    ScreenImage Image() const;
    bool HasImage() const;
    int GetDrawMode() const;
    uint32_t GetColorValue() const;
    int GetFontSize() const;
    bool ShowGridLine() const;
    bool PreviewMode() const;
    std::vector<PreviewFrame> PreviewFrames() const;
    bool CanUndo() const;
    int Width() const;
    int Height() const;

    // ---- the user, in picture pixels ----
    // Pen or eraser: a stroke starts (a dot is drawn). Text mode: the text last added moves
    // to this point.
    void PressAt(int x, int y);
    void DragTo(int x, int y);
    // The stroke or move ends: the edit is finished.
    void Release();
    // Right click: kEventContextMenu.
    void RequestContextMenu() { RaiseEvent(kEventContextMenu); }

    // ---- the editor's own menu (texts 880-887) ----
    void ClearImage();
    void FillImage();
    void MirrorImage(bool leftToRight);
    void InvertImage();
    // A picture pasted in: fitted to the screen.
    void PasteImage(const ScreenImage& picture);

  private:
    // Keeps the picture for undo before an edit; the lock must be held.
    void BeginEditLocked();
    // Writes the edit file and raises kEventEditFinished.
    void FinishEdit();
    template <typename Edit>
    void ApplyEdit(Edit edit);

    mutable std::mutex mutex_;  // guards every member below
    ImageServices* services_ = nullptr;
    std::string editFolder_;
    int width_ = 0;
    int height_ = 0;
    ScreenImage image_;
    bool hasImage_ = false;
    std::string editFile_;
    std::vector<ScreenImage> undo_;
    int mode_ = kModePen;
    uint32_t colour_ = 0xFFFFFF;
    int fontSize_ = 16;
    bool grid_ = false;
    bool preview_ = false;
    std::vector<PreviewFrame> previewFrames_;
    // The stroke in progress and the text that text mode moves.
    bool pressed_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    std::string text_;
    ScreenImage beforeText_;
};

}  // namespace zanvor
