#include "screen/ScreenLibrary.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/FileRead.h"
#include "platform/FileWrite.h"
#include "platform/Paths.h"
#include "platform/Trace.h"
#include "screen/PngFile.h"
#include "screen/TimeNames.h"
#include "store/DataStore.h"
#include "ui/ImageServices.h"
#include "ui/LoadText.h"

namespace zanvor {

namespace fs = std::filesystem;

namespace {

// A name that stays inside the folder it is joined to: not empty, no separator, not a
// reference to the folder itself or its parent. Names read from the database are checked
// before they are used for files, so a damaged row never reaches outside the library.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

bool FolderExists(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

void RemoveTree(const std::string& path) {
    std::error_code error;
    fs::remove_all(path, error);
}

// Copies a file over another through a temporary file and a rename; only a regular file is
// copied (a FIFO in its place would hold the copy forever), and only over a regular file.
bool ReplaceFile(const std::string& source, const std::string& target) {
    std::string bytes;
    std::string error;
    return ReadRegularFile(source, kMaxUserFileBytes, bytes) == FileReadResult::kOk &&
           WriteRegularFile(target, bytes, error);
}

std::string FrameFileName(size_t index) {
    return std::to_string(index) + ".png";
}

}  // namespace

ScreenLibrary::ScreenLibrary(DataStore& store, ImageServices& images)
    : store_(store), images_(&images) {}

void ScreenLibrary::SetPlace(const LibraryPlace& place) {
    std::lock_guard lock(placeMutex_);
    place_ = place;
}

LibraryPlace ScreenLibrary::Place() const {
    std::lock_guard lock(placeMutex_);
    return place_;
}

std::string ScreenLibrary::RootFolder() const {
    const LibraryPlace place = Place();
    return place.dataFolder + "led/" + place.modelName + "/";
}

std::string ScreenLibrary::AnimationFolder(const std::string& folderName) const {
    return RootFolder() + folderName + "/";
}

std::string ScreenLibrary::FactoryGifPath(int slot) const {
    const LibraryPlace place = Place();
    return place.applicationFolder + "gif/" + place.modelName + "/" + std::to_string(slot) + ".gif";
}

std::string ScreenLibrary::SlotPreviewPath(int slot) const {
    const LibraryPlace place = Place();
    return place.dataFolder + "default_led/" + place.modelName + "/" + std::to_string(slot) +
           ".png";
}

int ScreenLibrary::FactoryCount(size_t animations, size_t slots) const {
    return static_cast<int>(std::min({animations, slots, static_cast<size_t>(kScreenSlotCount)}));
}

int ScreenLibrary::CreateDefaultLibrary(LibraryOutcome* failure) {
    std::lock_guard structure(structureMutex_);
    const LibraryPlace place = Place();
    if (!place.Valid() || !IsPlainName(place.modelName) || !store_.IsOpen()) {
        return 0;
    }
    std::vector<LedLayerData> layers;
    if (store_.ListLedLayers(layers) > 0) {
        return 0;
    }
    std::vector<TftScreenData> slots;
    const bool haveSlots = store_.ListScreenFiles(slots) > 0;

    int created = 0;
    for (int slot = 0; slot < kScreenSlotCount; ++slot) {
        const std::string gif = FactoryGifPath(slot);
        std::error_code error;
        if (!fs::exists(gif, error)) {
            continue;
        }
        GifFrames decoded;
        const GifError read = ReadGifFitted(gif, place.format.width, place.format.height, decoded);
        if (read != GifError::kNone) {
            Trace("screen: factory animation %s refused (%d)\n", gif.c_str(),
                  static_cast<int>(read));
            continue;
        }
        const LibraryOutcome stored =
            StoreNewAnimation(DecodedAnimation{std::move(decoded.frames), decoded.delaysMs});
        if (!stored.Ok()) {
            if (failure != nullptr && failure->Ok()) {
                *failure = stored;
            }
            continue;
        }
        ++created;
        if (haveSlots) {
            continue;
        }
        LedLayerData layer;
        store_.GetLedLayer(stored.animationId, layer);
        const std::string preview = SlotPreviewPath(slot);
        CreateFolders(place.dataFolder + "default_led/" + place.modelName + "/");
        ReplaceFile(AnimationFolder(layer.file_dir) + FrameFileName(0), preview);
        store_.InsertScreenFile(stored.frameCount, preview);
    }
    return created;
}

LedLayerData ScreenLibrary::Animation(int animationId) {
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer)) {
        layer = LedLayerData();
    }
    return layer;
}

std::vector<LibraryAnimation> ScreenLibrary::ListAnimations() {
    std::vector<LedLayerData> layers;
    store_.ListLedLayers(layers);
    std::sort(layers.begin(), layers.end(),
              [](const LedLayerData& a, const LedLayerData& b) { return a.led_id < b.led_id; });
    std::vector<TftScreenData> slots;
    store_.ListScreenFiles(slots);
    const int factory = FactoryCount(layers.size(), slots.size());

    std::vector<LibraryAnimation> animations;
    animations.reserve(layers.size());
    for (size_t i = 0; i < layers.size(); ++i) {
        LibraryAnimation animation;
        animation.layer = layers[i];
        animation.factory = static_cast<int>(i) < factory;
        animation.missing =
            !IsPlainName(layers[i].file_dir) || !FolderExists(AnimationFolder(layers[i].file_dir));
        std::vector<LedFrameData> frames;
        animation.frameCount = store_.ListLedFrames(layers[i].led_id, frames);
        for (const LedFrameData& frame : frames) {
            animation.durationMs += frame.delay_time;
        }
        animations.push_back(std::move(animation));
    }
    return animations;
}

std::vector<TftScreenData> ScreenLibrary::ListSlots() {
    std::vector<TftScreenData> slots;
    store_.ListScreenFiles(slots);
    return slots;
}

int ScreenLibrary::CreateAnimation(std::string& folder) {
    folder.clear();
    if (!Place().Valid()) {
        return 0;
    }
    const std::string name = NewTimeName();
    const int id = store_.InsertLedLayer(name);
    if (id < 1) {
        return 0;
    }
    if (!CreateFolders(AnimationFolder(name))) {
        store_.DeleteLedLayer(id);
        return 0;
    }
    folder = name;
    return id;
}

LibraryOutcome ScreenLibrary::DeleteAnimation(int animationId) {
    LibraryOutcome outcome;
    outcome.animationId = animationId;
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer)) {
        outcome.status = LibraryStatus::kNotFound;
        return outcome;
    }
    for (const LibraryAnimation& animation : ListAnimations()) {
        if (animation.layer.led_id == animationId && animation.factory) {
            outcome.status = LibraryStatus::kFactory;
            return outcome;
        }
    }
    // A folder name that is empty or a path would name the whole library or something
    // outside it: then only the rows go.
    if (IsPlainName(layer.file_dir) && Place().Valid()) {
        const std::string folder = AnimationFolder(layer.file_dir);
        RemoveTree(folder);
        if (FolderExists(folder)) {
            outcome.status = LibraryStatus::kFilesFailed;
            return outcome;
        }
    }
    if (!store_.DeleteLedLayer(animationId)) {
        outcome.status = LibraryStatus::kStoreFailed;
    }
    return outcome;
}

LibraryOutcome ScreenLibrary::RenameAnimation(int animationId, const std::string& name) {
    LibraryOutcome outcome;
    outcome.animationId = animationId;
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer)) {
        outcome.status = LibraryStatus::kNotFound;
        return outcome;
    }
    std::string given;
    for (const char c : name) {
        given += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    const size_t first = given.find_first_not_of(' ');
    given = first == std::string::npos
                ? std::string()
                : given.substr(first, given.find_last_not_of(' ') - first + 1);
    if (!store_.SetLedLayerName(animationId, given.empty() ? layer.file_dir : given)) {
        outcome.status = LibraryStatus::kStoreFailed;
    }
    return outcome;
}

std::string ScreenLibrary::GivenName(const LedLayerData& layer) {
    return layer.name == layer.file_dir ? std::string() : layer.name;
}

std::vector<FrameEntry> ScreenLibrary::ListFrames(int animationId) {
    std::vector<FrameEntry> entries;
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer)) {
        return entries;
    }
    const bool folderUsable = IsPlainName(layer.file_dir);
    const std::string folder = AnimationFolder(layer.file_dir);
    std::vector<LedFrameData> frames;
    store_.ListLedFrames(animationId, frames);
    for (const LedFrameData& frame : frames) {
        FrameEntry entry;
        entry.fileName = frame.file_name;
        entry.delay = frame.delay_time;
        entry.frameId = frame.frame_id;
        // A frame whose name would leave the folder gets no file: it shows as empty.
        if (folderUsable && IsPlainName(frame.file_name)) {
            entry.storedFile = folder + frame.file_name;
        }
        entry.editFile = entry.storedFile;
        entries.push_back(std::move(entry));
    }
    return entries;
}

LibraryOutcome ScreenLibrary::StoreFrames(int animationId, const std::vector<FrameEntry>& frames) {
    LibraryOutcome outcome;
    outcome.animationId = animationId;
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer)) {
        outcome.status = LibraryStatus::kNotFound;
        return outcome;
    }
    const std::string folder = AnimationFolder(layer.file_dir);
    if (!IsPlainName(layer.file_dir) || !FolderExists(folder)) {
        outcome.status = LibraryStatus::kFolderMissing;
        return outcome;
    }
    // Pictures first: when one cannot be written, the rows stay as they were.
    for (const FrameEntry& frame : frames) {
        if (!IsPlainName(frame.fileName)) {
            outcome.status = LibraryStatus::kFilesFailed;
            outcome.file = frame.fileName;
            return outcome;
        }
        const std::string stored = folder + frame.fileName;
        if (!frame.editFile.empty() && frame.editFile != stored &&
            !ReplaceFile(frame.editFile, stored)) {
            outcome.status = LibraryStatus::kFilesFailed;
            outcome.file = frame.fileName;
            return outcome;
        }
    }

    std::vector<LedFrameData> rows;
    rows.reserve(frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        LedFrameData row;
        row.led_id = animationId;
        row.name = frames[i].fileName;
        row.file_name = frames[i].fileName;
        row.delay_time = frames[i].delay;
        row.frame_index = static_cast<int>(i);
        rows.push_back(std::move(row));
    }
    if (!store_.DeleteLedFrames(animationId)) {
        outcome.status = LibraryStatus::kStoreFailed;
        return outcome;
    }
    store_.InsertLedFrames(rows);
    const int count = store_.CountLedFrames(animationId);
    outcome.frameCount = count;
    const bool updated =
        store_.SetLedLayerFirstFile(animationId, frames.empty() ? "" : frames[0].fileName) &&
        store_.SetLedLayerFrameCount(animationId, count);
    if (count != static_cast<int>(frames.size()) || !updated) {
        outcome.status = LibraryStatus::kStoreFailed;
        return outcome;
    }

    // Pictures of frames that were deleted (or added and never kept) are of no further use.
    std::set<std::string> used;
    for (const FrameEntry& frame : frames) {
        used.insert(frame.fileName);
    }
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && entry.path().extension() == ".png" &&
            used.count(name) == 0) {
            fs::remove(entry.path(), error);
        }
    }
    return outcome;
}

std::string ScreenLibrary::AddPicture(int animationId, const std::string& picturePath) {
    const LibraryPlace place = Place();
    LedLayerData layer;
    if (!place.Valid() || !store_.GetLedLayer(animationId, layer) || !IsPlainName(layer.file_dir)) {
        return {};
    }
    ScreenImage picture;
    ImageServices& images = *images_.load();
    if (!images.ReadPicture(picturePath, picture)) {
        return {};
    }
    const std::string folder = AnimationFolder(layer.file_dir);
    const std::string name = NewTimeName() + ".png";
    if (!CreateFolders(folder) ||
        !images.WritePicture(folder + name,
                             FitImage(picture, place.format.width, place.format.height))) {
        return {};
    }
    return folder + name;
}

std::string ScreenLibrary::CopyFrame(int animationId, const std::string& sourceFile) {
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer) || !IsPlainName(layer.file_dir)) {
        return {};
    }
    const std::string path = AnimationFolder(layer.file_dir) + NewTimeName() + ".png";
    return ReplaceFile(sourceFile, path) ? path : std::string();
}

LibraryOutcome ScreenLibrary::ImportGif(const std::string& path) {
    LibraryOutcome outcome;
    const LibraryPlace place = Place();
    if (!place.Valid() || !store_.IsOpen()) {
        outcome.status = LibraryStatus::kNoScreen;
        return outcome;
    }
    GifFrames decoded;
    outcome.gif = ReadGifFitted(path, place.format.width, place.format.height, decoded);
    if (outcome.gif != GifError::kNone) {
        outcome.status = LibraryStatus::kBadGif;
        return outcome;
    }
    return StoreNewAnimation(DecodedAnimation{std::move(decoded.frames), decoded.delaysMs});
}

LibraryOutcome ScreenLibrary::StoreNewAnimation(const DecodedAnimation& animation) {
    LibraryOutcome outcome;
    const std::string root = RootFolder();
    if (!IsPlainName(Place().modelName) || !CreateFolders(root)) {
        outcome.status = LibraryStatus::kFilesFailed;
        outcome.problem = std::strerror(errno);
        return outcome;
    }
    std::string name = NewTimeName();
    while (FolderExists(AnimationFolder(name))) {
        name = NewTimeName();
    }
    // The frames go into a hidden folder first, which becomes the animation's folder in one
    // rename once every frame is written.
    const std::string partial = root + "." + name + ".partial/";
    const std::string folder = AnimationFolder(name);
    bool written = CreateFolders(partial);
    for (size_t i = 0; written && i < animation.frames.size(); ++i) {
        written = WritePng(partial + FrameFileName(i), animation.frames[i]);
    }
    // The system's reason (a full disk, say), taken before the clean-up can change it.
    std::string problem = written ? std::string() : std::strerror(errno);
    std::error_code error;
    if (written) {
        fs::rename(partial, folder, error);
        problem = error ? error.message() : std::string();
    }
    if (!written || error) {
        RemoveTree(partial);
        outcome.status = LibraryStatus::kFilesFailed;
        outcome.problem = problem;
        return outcome;
    }

    const int id = store_.InsertLedLayer(name);
    if (id < 1) {
        RemoveTree(folder);
        outcome.status = LibraryStatus::kStoreFailed;
        return outcome;
    }
    std::vector<LedFrameData> rows;
    for (size_t i = 0; i < animation.frames.size(); ++i) {
        LedFrameData row;
        row.led_id = id;
        row.name = FrameFileName(i);
        row.file_name = row.name;
        const int delay = i < animation.delays.size() ? animation.delays[i] : 0;
        row.delay_time = delay > 0 ? delay : kUnspecifiedFrameDelay;
        row.frame_index = static_cast<int>(i);
        rows.push_back(std::move(row));
    }
    const int count = static_cast<int>(rows.size());
    store_.InsertLedFrames(std::move(rows));
    const bool stored = store_.CountLedFrames(id) == count &&
                        store_.SetLedLayerFirstFile(id, FrameFileName(0)) &&
                        store_.SetLedLayerFrameCount(id, count);
    if (!stored) {
        store_.DeleteLedLayer(id);
        RemoveTree(folder);
        outcome.status = LibraryStatus::kStoreFailed;
        return outcome;
    }
    outcome.animationId = id;
    outcome.frameCount = count;
    return outcome;
}

LibraryOutcome ScreenLibrary::ExportGif(int animationId, const std::string& path) {
    LibraryOutcome outcome;
    outcome.animationId = animationId;
    LedLayerData layer;
    if (!store_.GetLedLayer(animationId, layer)) {
        outcome.status = LibraryStatus::kNotFound;
        return outcome;
    }
    if (!IsPlainName(layer.file_dir) || !FolderExists(AnimationFolder(layer.file_dir))) {
        outcome.status = LibraryStatus::kFolderMissing;
        return outcome;
    }
    std::vector<ScreenImage> pictures;
    std::vector<int> delays;
    for (const FrameEntry& frame : ListFrames(animationId)) {
        ScreenImage picture;
        if (frame.storedFile.empty() || !ReadPng(frame.storedFile, picture)) {
            outcome.status = LibraryStatus::kFrameMissing;
            outcome.file = frame.fileName;
            return outcome;
        }
        pictures.push_back(std::move(picture));
        delays.push_back(frame.delay);
    }
    if (pictures.empty()) {
        outcome.status = LibraryStatus::kNoFrames;
        return outcome;
    }
    outcome.frameCount = static_cast<int>(pictures.size());
    if (WriteGif(path, pictures, delays, &outcome.problem) != GifError::kNone) {
        outcome.status = LibraryStatus::kWriteFailed;
    }
    return outcome;
}

void ScreenLibrary::ClearLibrary() {
    std::lock_guard structure(structureMutex_);
    const LibraryPlace place = Place();
    if (place.Valid() && IsPlainName(place.modelName)) {
        RemoveTree(RootFolder());
    }
    store_.ClearLedLibrary();
}

}  // namespace zanvor

namespace zanvor {

namespace {

// The text with "%1" replaced by `value`.
std::string ReplacePlaceholder(std::string text, const std::string& value) {
    const size_t at = text.find("%1");
    return at == std::string::npos ? text + " " + value : text.replace(at, 2, value);
}

std::string GifErrorText(GifError error) {
    switch (error) {
        case GifError::kNotGif:
            return LoadText("KB.DIALOG", 1651);
        case GifError::kDamaged:
            return LoadText("KB.DIALOG", 1652);
        case GifError::kFileTooLarge:
            return LoadText("KB.DIALOG", 1653);
        case GifError::kPictureTooLarge:
            return LoadText("KB.DIALOG", 1654);
        case GifError::kNoFrames:
            return LoadText("KB.DIALOG", 1655);
        case GifError::kTooManyFrames:
            return LoadText("KB.DIALOG", 1656);
        case GifError::kUnreadable:
        case GifError::kNone:
            break;
    }
    return LoadText("KB.DIALOG", 1657);
}

}  // namespace

std::string DescribeOutcome(const LibraryOutcome& outcome) {
    switch (outcome.status) {
        case LibraryStatus::kOk:
            return {};
        case LibraryStatus::kBadGif:
            return GifErrorText(outcome.gif);
        case LibraryStatus::kStoreFailed:
            return LoadText("KB.DIALOG", 1658);
        case LibraryStatus::kFilesFailed:
            return LoadText("KB.DIALOG", 1659);
        case LibraryStatus::kFolderMissing:
            return LoadText("KB.DIALOG", 1660);
        case LibraryStatus::kFrameMissing:
            return ReplacePlaceholder(LoadText("KB.DIALOG", 1661), outcome.file);
        case LibraryStatus::kNoFrames:
            return LoadText("KB.DIALOG", 1662);
        case LibraryStatus::kWriteFailed:
            return outcome.problem.empty() ? LoadText("KB.DIALOG", 1663)
                                           : LoadText("KB.DIALOG", 1663) + " " + outcome.problem;
        case LibraryStatus::kNoScreen:
            return LoadText("KB.DIALOG", 1664);
        case LibraryStatus::kNotFound:
            return LoadText("KB.DIALOG", 1665);
        case LibraryStatus::kFactory:
            return LoadText("KB.DIALOG", 1666);
    }
    return {};
}

}  // namespace zanvor
