#pragma once

// The screen page's commands that leave the library: send to the keyboard (416), import a
// GIF file (373), export the current animation as a GIF file (415), slot selection (369)
// and button 413, with the worker jobs that import and export.
//
// The keyboard's screen transfer is not known to this program, so nothing is sent to the
// keyboard: sending and button 413 run their checks and then tell the user that this
// version cannot send animations.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "screen/ScreenLibrary.h"

namespace zanvor {

class Dialogs;
class ScreenPage;
class TaskPoster;
struct ScreenModels;
struct ScreenPageState;

// Worker tasks of the screen page.
inline constexpr int kTaskScreenExport = 24;
inline constexpr int kTaskScreenSelectSlot = 25;
inline constexpr int kTaskScreenImport = 27;
// Window messages: an import or export job has finished.
inline constexpr uint32_t kMsgScreenImported = 0x0762;
inline constexpr uint32_t kMsgScreenExported = 0x0763;

class ScreenCommands {
  public:
    ScreenCommands(ScreenPage& page, ScreenModels& models, ScreenPageState& state,
                   ScreenLibrary& library, Dialogs& dialogs, TaskPoster& poster,
                   std::function<bool()> queueEmpty);

    // ---- UI thread ----
    // 416: the checks (no animation, no frames, more frames than the slot holds), then the
    // message that sending is not supported. Returns true when the checks passed.
    bool Send();
    // Why the send button cannot send now, in the active language; empty when it can. This
    // version never can: the keyboard's screen transfer is not known.
    std::string SendBlockedReason() const;
    // 413.
    void Restore();
    // 373: asks for a GIF file; posts the import job and shows the busy dialog when the
    // worker is idle (otherwise only the path is kept).
    void Import();
    // 415: asks where to write the current animation; posts the export job and shows the
    // busy dialog when the worker is idle.
    void Export();
    // The slot the user chose (369): the job records it for the worker.
    void SlotSelected(int slot);
    // kMsgScreenImported / kMsgScreenExported: the busy dialog closes; a new animation is
    // listed and selected (with a note when it has more frames than the slot holds), the
    // file an export wrote is named, or the reason of a failure is shown.
    void ImportFinished();
    void ExportFinished();

    // ---- worker ----
    LibraryOutcome TaskImportGif();
    LibraryOutcome TaskExportGif();
    void TaskSelectSlot();

    // The GIF path chosen last (import and export share it) and the worker's slot.
    std::string GifPath() const;
    int WorkerSlot() const { return workerSlot_.load(); }

  private:
    ScreenPage& page_;
    ScreenModels& models_;
    ScreenPageState& state_;
    ScreenLibrary& library_;
    Dialogs& dialogs_;
    TaskPoster& poster_;
    std::function<bool()> queueEmpty_;

    mutable std::mutex jobMutex_;  // guards the job inputs and results below
    std::string gifPath_;
    int exportAnimation_ = 0;
    int pendingSlot_ = 0;
    LibraryOutcome imported_;
    LibraryOutcome exported_;
    std::string exportedPath_;  // the file the last export wrote (or tried to)
    std::atomic<int> workerSlot_{0};
};

}  // namespace zanvor
