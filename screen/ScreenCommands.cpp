#include "screen/ScreenCommands.h"

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <system_error>

#include "device/SessionState.h"
#include "screen/ScreenModels.h"
#include "screen/ScreenPage.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace {

// Texts and numbers joined into one sentence with single spaces, none before punctuation
// (the language texts are stored without leading or trailing blanks).
std::string JoinText(std::initializer_list<std::string> parts) {
    std::string text;
    for (const std::string& part : parts) {
        if (part.empty()) {
            continue;
        }
        const bool punctuation = std::string_view(".,;:!?").find(part[0]) != std::string::npos;
        if (!text.empty() && !punctuation) {
            text += ' ';
        }
        text += part;
    }
    return text;
}

// The animation's name as a file name: its given name (without characters a file name
// cannot hold), else its folder name.
std::string SuggestedFileName(const LedLayerData& layer) {
    std::string name = ScreenLibrary::GivenName(layer);
    for (char& c : name) {
        if (c == '/' || c == '\\') {
            c = '-';
        }
    }
    return (name.empty() || name == "." || name == ".." ? layer.file_dir : name) + ".gif";
}

// A save path without an extension gets ".gif", as the dialog's file type says.
std::string WithGifExtension(const std::string& path) {
    return std::filesystem::path(path).has_extension() ? path : path + ".gif";
}

}  // namespace

ScreenCommands::ScreenCommands(ScreenPage& page, ScreenModels& models, ScreenPageState& state,
                               ScreenLibrary& library, Dialogs& dialogs, TaskPoster& poster,
                               std::function<bool()> queueEmpty)
    : page_(page),
      models_(models),
      state_(state),
      library_(library),
      dialogs_(dialogs),
      poster_(poster),
      queueEmpty_(std::move(queueEmpty)) {}

bool ScreenCommands::Send() {
    page_.CheckUnsavedChanges();
    if (state_.currentAnimation <= 0) {
        return false;
    }
    const int frames = static_cast<int>(library_.ListFrames(state_.currentAnimation).size());
    if (frames == 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 847), LoadText("KB.DIALOG", 848));
        return false;
    }
    if (frames > state_.slotCapacity &&
        !dialogs_.Question(JoinText({LoadText("KB.DIALOG", 832), std::to_string(frames),
                                     LoadText("KB.DIALOG", 833)}),
                           LoadText("KB.DIALOG", 848))) {
        return false;
    }
    // The keyboard's screen transfer is not known: nothing is sent and nothing pretends to
    // make progress.
    dialogs_.MessageBox(LoadText("KB.DIALOG", 1669), LoadText("KB.DIALOG", 848));
    return true;
}

std::string ScreenCommands::SendBlockedReason() const {
    return LoadText("KB.DIALOG", 1669);
}

void ScreenCommands::Restore() {
    dialogs_.MessageBox(LoadText("KB.DIALOG", 1669), LoadText("KB.DIALOG", 848));
}

void ScreenCommands::Import() {
    page_.CheckUnsavedChanges();
    const std::optional<std::string> path = dialogs_.OpenFile({}, {{"LED File", {"*.gif"}}});
    std::error_code error;
    if (!path || !std::filesystem::exists(*path, error)) {
        return;
    }
    {
        std::lock_guard lock(jobMutex_);
        gifPath_ = *path;
    }
    if (queueEmpty_ && queueEmpty_()) {
        poster_.PostTask(kTaskScreenImport);
        dialogs_.CloseBusy();
        dialogs_.ShowBusy(LoadText("KB.DIALOG", 1667));
    }
}

void ScreenCommands::Export() {
    page_.CheckUnsavedChanges();
    if (state_.currentAnimation <= 0) {
        return;
    }
    const std::optional<std::string> path = dialogs_.SaveFile(
        {}, {{"LED", {"*.gif"}}}, SuggestedFileName(library_.Animation(state_.currentAnimation)));
    if (!path) {
        return;
    }
    {
        std::lock_guard lock(jobMutex_);
        gifPath_ = WithGifExtension(*path);
        exportAnimation_ = state_.currentAnimation;
    }
    if (queueEmpty_ && queueEmpty_()) {
        poster_.PostTask(kTaskScreenExport);
        dialogs_.CloseBusy();
        dialogs_.ShowBusy(LoadText("KB.DIALOG", 1668));
    }
}

void ScreenCommands::SlotSelected(int slot) {
    {
        std::lock_guard lock(jobMutex_);
        pendingSlot_ = slot;
    }
    poster_.PostTask(kTaskScreenSelectSlot);
}

void ScreenCommands::ImportFinished() {
    LibraryOutcome outcome;
    {
        std::lock_guard lock(jobMutex_);
        outcome = imported_;
    }
    dialogs_.CloseBusy();
    if (!outcome.Ok()) {
        dialogs_.MessageBox(DescribeOutcome(outcome), LoadText("KB.DIALOG", 804));
        return;
    }
    page_.AddToLibrary(outcome.animationId);
    if (outcome.frameCount > state_.slotCapacity) {
        dialogs_.MessageBox(
            JoinText({LoadText("KB.DIALOG", 867), std::to_string(state_.slotCapacity),
                      LoadText("KB.DIALOG", 868), std::to_string(outcome.frameCount),
                      LoadText("KB.DIALOG", 833)}),
            LoadText("KB.DIALOG", 834));
    }
}

void ScreenCommands::ExportFinished() {
    LibraryOutcome outcome;
    std::string path;
    {
        std::lock_guard lock(jobMutex_);
        outcome = exported_;
        path = exportedPath_;
    }
    dialogs_.CloseBusy();
    if (!outcome.Ok()) {
        dialogs_.MessageBox(DescribeOutcome(outcome), LoadText("KB.DIALOG", 820));
        return;
    }
    std::string text = LoadText("KB.DIALOG", 1965);
    const size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, path);
    }
    dialogs_.MessageBox(text, LoadText("KB.DIALOG", 820));
}

LibraryOutcome ScreenCommands::TaskImportGif() {
    const std::string path = GifPath();
    const LibraryOutcome outcome = library_.ImportGif(path);
    {
        std::lock_guard lock(jobMutex_);
        imported_ = outcome;
    }
    poster_.PostWindowMessage(kMsgScreenImported, 0, 0);
    return outcome;
}

LibraryOutcome ScreenCommands::TaskExportGif() {
    std::string path;
    int animation = 0;
    {
        std::lock_guard lock(jobMutex_);
        path = gifPath_;
        animation = exportAnimation_;
    }
    const LibraryOutcome outcome = library_.ExportGif(animation, path);
    {
        std::lock_guard lock(jobMutex_);
        exported_ = outcome;
        exportedPath_ = path;
    }
    poster_.PostWindowMessage(kMsgScreenExported, 0, 0);
    return outcome;
}

void ScreenCommands::TaskSelectSlot() {
    std::lock_guard lock(jobMutex_);
    workerSlot_ = pendingSlot_;
}

std::string ScreenCommands::GifPath() const {
    std::lock_guard lock(jobMutex_);
    return gifPath_;
}

}  // namespace zanvor
