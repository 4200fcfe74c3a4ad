#pragma once

// The screen page: the keyboard's screen slots, the library of animations, and (through
// FrameEditor) the frames of the selected animation with the editor; the commands that leave
// the library (send, import, export) are ScreenCommands.
//
// Page handlers run on the UI thread and keep the page's state there. The worker loads the
// library (making the default library on first use) when the profile's pages are refreshed
// and clears it at a factory reset; each time it posts kMsgScreenLibrary, whose handler fills
// the models on the UI thread.

#include <functional>
#include <memory>
#include <string>

#include "screen/FileImageServices.h"
#include "screen/FrameEditor.h"
#include "screen/ScreenCommands.h"
#include "screen/ScreenLibrary.h"
#include "screen/ScreenModels.h"

namespace zanvor {

class DataStore;
class Dialogs;
class ImageServices;
class PageRegistry;
class SessionState;
class TaskPoster;

// Window message of the screen page: the library is to be shown again. wParam 0 after a
// page refresh, kLibraryReload after a reset, kLibraryChanged when the command line changed
// the library (the frames being edited stay).
inline constexpr uint32_t kMsgScreenLibrary = 0x0761;
inline constexpr uintptr_t kLibraryReload = 1;
inline constexpr uintptr_t kLibraryChanged = 2;

struct ScreenPageHooks {
    // The library of the selected keyboard model (any thread).
    std::function<LibraryPlace()> place;
    // Whether the worker's queue is empty (import and export post only then).
    std::function<bool()> queueEmpty;
    // The frame time dialog.
    DelayDialog delayDialog;
};

class ScreenPage {
  public:
    // Without picture services of its own the page reads PNG and GIF files only.
    ScreenPage(DataStore& store, Dialogs& dialogs, TaskPoster& poster, SessionState& session,
               ScreenPageHooks hooks, ImageServices* images = nullptr);
    ScreenPage(const ScreenPage&) = delete;
    ScreenPage& operator=(const ScreenPage&) = delete;

    // Plugs the page into the main window: its controls, worker tasks, page refresh, reset
    // step and window messages. Until then the models' events reach OnControl directly.
    void Register(PageRegistry& registry);

    // Before the worker starts: the picture services of the desktop program, and its frame
    // time dialog.
    void SetImageServices(ImageServices& images);
    void SetDelayDialog(DelayDialog dialog) { frames_.SetDelayDialog(std::move(dialog)); }

    ScreenModels& Models() { return models_; }
    ScreenLibrary& Library() { return library_; }
    // The library pointed at the model the main window has selected now (the command line).
    ScreenLibrary& SelectedLibrary();
    FrameEditor& Frames() { return frames_; }
    ScreenCommands& Commands() { return commands_; }
    const ScreenPageState& State() const { return state_; }

    // A control event of the page; false for ids it does not handle.
    bool OnControl(int controlId, int event);
    // The page's window messages; false for others.
    bool OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam);

    // ---- worker ----
    // Pages refresh: the selected model's library (the default library when it is empty),
    // then kMsgScreenLibrary.
    void TaskLoadLibrary();
    // Factory reset: the model's library folder and rows are removed and the default library
    // made anew, then kMsgScreenLibrary asks for a full reload.
    void TaskResetLibrary();

    // ---- UI thread ----
    // Fills the slot view, the library list and the palette. The same model's library is
    // reloaded only when `force` is set: a profile switch only reloads the palette (the
    // library is the same for every profile), so unsaved frame edits survive it.
    void LoadLibrary(bool force);
    // The library list and slot view again from the library, keeping the current animation
    // and its frames (unless it is gone).
    void SyncLibraryList();
    // 371 notification 2.
    void AnimationSelected();
    // 372, 374, 414.
    void NewAnimation();
    void DeleteAnimation();
    // 371 kEventRenameRequested: the name typed for a library entry is stored and shown.
    void RenameAnimation();
    // False when the animation could not be saved (a message said why).
    bool SaveAnimation();
    // Before new, delete, import, export and send: unsaved edits are saved or, when the user
    // declines, dropped (the frames are loaded again as stored).
    void CheckUnsavedChanges();
    // 369 notification 2.
    void SlotSelected();

    // Makes an animation current and shows its frames (editing enabled unless it is missing).
    void ShowAnimation(int animationId);
    // Adds the animation to the library list, selects it and makes it current.
    void AddToLibrary(int animationId);
    bool LibraryEmpty() const { return models_.library.GetItemCount() == 0; }

  private:
    void RouteEvents();
    // The slot view's entries with their texts in the current language; the selection stays.
    void FillSlots();
    // The library list: every animation but the factory ones, nothing selected.
    void FillLibraryList();
    bool CurrentAnimationMissing() const;

    DataStore& store_;
    Dialogs& dialogs_;
    TaskPoster& poster_;
    FileImageServices fileImages_;
    ImageServices* images_;  // set before the worker starts, then only read
    ScreenPageHooks hooks_;
    ScreenModels models_;
    ScreenPageState state_;
    ScreenLibrary library_;
    FrameEditor frames_;
    ScreenCommands commands_;
    LibraryPlace loadedPlace_;  // UI thread: the model the lists show
    bool loaded_ = false;       // UI thread
};

}  // namespace zanvor
