#include "app/CliScreenCommands.h"

#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "store/DataStore.h"
#include "store/StoreFailure.h"

namespace zanvor {

using nlohmann::json;

namespace {

// Why the library's folder cannot be made ("Not a directory"), empty when it can.
std::string FolderProblem(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error && !std::filesystem::is_directory(folder, error)) {
        error = std::make_error_code(std::errc::not_a_directory);
    }
    return error ? error.message() : std::string();
}

// The library's folder cannot be written: said with the folder and the system's reason, as
// "a file could not be written" alone would leave the user guessing (a full disk?).
int FolderFailure(const ScreenLibrary& library) {
    const std::string folder = library.RootFolder();
    const std::string problem = FolderProblem(folder);
    if (problem.empty()) {
        return kCliOk;
    }
    return Fail(kCliFailed,
                "the screen library's folder " + folder + " cannot be made: " + problem);
}

// The selected model's library with its default animation made, or nullptr after printing
// why there is none.
ScreenLibrary* OpenLibrary(CliSession& session) {
    ScreenLibrary& library = session.Dlg().Pages().screen.SelectedLibrary();
    const LibraryPlace place = library.Place();
    if (place.modelName.empty()) {
        Fail(kCliFailed, "no keyboard model is selected");
        return nullptr;
    }
    if (!place.Valid()) {
        Fail(kCliFailed, place.modelName + " has no screen");
        return nullptr;
    }
    // The animations' rows live in the model's database: without it there is no library, and
    // the reason is the database's.
    DataStore& store = session.Dlg().Store();
    if (!store.IsOpen()) {
        const StoreFailure failure = store.OpenFailure();
        Fail(kCliFailed,
             StoreFailureText(failure == StoreFailure::kNone ? StoreFailure::kNotOpen : failure,
                              store.Path()));
        return nullptr;
    }
    LibraryOutcome failure;
    library.CreateDefaultLibrary(&failure);
    // The factory animations could not be made: ids the user expects (1) would be missing,
    // and an empty library would pass for the truth.
    if (library.ListAnimations().empty()) {
        if (FolderFailure(library) != kCliOk) {
            return nullptr;
        }
        if (!failure.Ok()) {
            Fail(kCliFailed,
                 "the factory animations could not be made in " + library.RootFolder() + ": " +
                     (failure.problem.empty() ? DescribeOutcome(failure) : failure.problem));
            return nullptr;
        }
    }
    return &library;
}

std::string Seconds(int milliseconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f s", milliseconds / 1000.0);
    return text;
}

// The status of a failed library operation: an id that names nothing is a usage error.
// The screen page shows the changed library (when the desktop program runs the command, at
// once; its frames being edited stay).
void TellScreenPage(CliSession& session) {
    session.Dlg().PostWindowMessage(kMsgScreenLibrary, kLibraryChanged, 0);
}

int FailWith(const LibraryOutcome& outcome, int id) {
    if (outcome.status == LibraryStatus::kNotFound) {
        return Fail(kCliUsage, "no animation " + std::to_string(id));
    }
    return Fail(kCliFailed, DescribeOutcome(outcome));
}

}  // namespace

int CmdScreenList(CliSession& session) {
    ScreenLibrary* library = OpenLibrary(session);
    if (library == nullptr) {
        return kCliFailed;
    }
    json rows = json::array();
    TextTable table({"ID", "FRAMES", "DURATION", "FOLDER", ""});
    for (const LibraryAnimation& animation : library->ListAnimations()) {
        const std::string note =
            animation.missing ? "missing" : (animation.factory ? "factory (slot)" : "");
        rows.push_back({{"id", animation.layer.led_id},
                        {"folder", animation.layer.file_dir},
                        {"frames", animation.frameCount},
                        {"duration_ms", animation.durationMs},
                        {"factory", animation.factory},
                        {"missing", animation.missing}});
        table.AddRow({std::to_string(animation.layer.led_id), std::to_string(animation.frameCount),
                      Seconds(animation.durationMs), animation.layer.file_dir, note});
    }
    if (session.Options().json) {
        PrintJson(json{{"model", library->Place().modelName}, {"animations", rows}});
    } else if (rows.empty()) {
        std::cout << "The library is empty.\n";
    } else {
        table.Print(std::cout);
    }
    return kCliOk;
}

int CmdScreenImport(CliSession& session, const std::string& file) {
    ScreenLibrary* library = OpenLibrary(session);
    if (library == nullptr) {
        return kCliFailed;
    }
    const LibraryOutcome outcome = library->ImportGif(file);
    if (outcome.status == LibraryStatus::kFilesFailed) {
        if (const int status = FolderFailure(*library); status != kCliOk) {
            return status;
        }
    }
    if (!outcome.Ok()) {
        return Fail(kCliFailed, file + ": " + DescribeOutcome(outcome));
    }
    TellScreenPage(session);
    int duration = 0;
    for (const FrameEntry& frame : library->ListFrames(outcome.animationId)) {
        duration += frame.delay;
    }
    const int capacity = SlotCapacity(0);
    if (outcome.frameCount > capacity) {
        std::cerr << "zanvorctl: note: animation " << outcome.animationId << " has "
                  << outcome.frameCount << " frames; a screen slot holds " << capacity << "\n";
    }
    if (session.Options().json) {
        PrintJson(json{{"id", outcome.animationId},
                       {"frames", outcome.frameCount},
                       {"duration_ms", duration}});
    } else {
        std::cout << outcome.animationId << "\n";
    }
    return kCliOk;
}

int CmdScreenExport(CliSession& session, int id, const std::string& file) {
    ScreenLibrary* library = OpenLibrary(session);
    if (library == nullptr) {
        return kCliFailed;
    }
    const LibraryOutcome outcome = library->ExportGif(id, file);
    return outcome.Ok() ? kCliOk : FailWith(outcome, id);
}

int CmdScreenDelete(CliSession& session, int id) {
    ScreenLibrary* library = OpenLibrary(session);
    if (library == nullptr) {
        return kCliFailed;
    }
    const LibraryOutcome outcome = library->DeleteAnimation(id);
    if (!outcome.Ok()) {
        return FailWith(outcome, id);
    }
    TellScreenPage(session);
    return kCliOk;
}

}  // namespace zanvor
