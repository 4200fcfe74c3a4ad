#pragma once

// The library of screen animations of one keyboard model: folders of frame pictures under
// the data folder and their rows in the model's database (stored with profile 1, so every
// profile shares them). The page, the worker's import and export jobs and the command line
// all work through this class.

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "screen/GifCodec.h"
#include "screen/ScreenFormat.h"
#include "store/Records.h"

namespace zanvor {

class DataStore;
class ImageServices;

// Where one keyboard model's library lives and the size of its screen.
struct LibraryPlace {
    std::string dataFolder;         // the per-user data folder, ending with '/'
    std::string applicationFolder;  // the installation's data, ending with '/'
    std::string modelName;          // names the model's database and its library folders
    ScreenFormat format;
    // A model with a screen and a name.
    bool Valid() const { return !modelName.empty() && format.Present(); }
    bool operator==(const LibraryPlace&) const = default;
};

// One animation as the page and the command line show it.
struct LibraryAnimation {
    LedLayerData layer;
    // Made from a factory GIF together with the slot rows: shown in the slot view, not in
    // the library list, and never deleted by the user.
    bool factory = false;
    // Its folder is gone (deleted behind the program's back).
    bool missing = false;
    int frameCount = 0;  // frame rows
    int durationMs = 0;  // the frames' display times added up
};

// A frame as the page holds it before saving: the file it was loaded from, the file holding
// its edited picture (the same file when unedited), its file name and display time.
struct FrameEntry {
    std::string storedFile;
    std::string editFile;
    std::string fileName;
    int delay = 0;
    int frameId = 0;  // the frame's row, 0 for a frame not stored yet
};

enum class LibraryStatus {
    kOk,
    kNoScreen,       // the model has no screen, or its database is not open
    kNotFound,       // no animation with that id
    kFactory,        // a factory animation, which the library keeps
    kBadGif,         // the GIF file was refused: see LibraryOutcome::gif
    kStoreFailed,    // the database refused a row
    kFilesFailed,    // a folder or picture file could not be written
    kFolderMissing,  // the animation's folder is gone
    kFrameMissing,   // a frame's picture is missing or unreadable: see LibraryOutcome::file
    kNoFrames,       // the animation has no frames
    kWriteFailed,    // the GIF file could not be written
};

struct LibraryOutcome {
    LibraryStatus status = LibraryStatus::kOk;
    GifError gif = GifError::kNone;
    int animationId = 0;
    int frameCount = 0;
    std::string file;     // the frame file that was missing
    std::string problem;  // the system's reason a file could not be written, when known
    bool Ok() const { return status == LibraryStatus::kOk; }
};

// A one-line explanation of a failed outcome in the active language.
std::string DescribeOutcome(const LibraryOutcome& outcome);

class ScreenLibrary {
  public:
    ScreenLibrary(DataStore& store, ImageServices& images);
    // The services reading added pictures (the desktop program's, which know more formats).
    void SetImageServices(ImageServices& images) { images_ = &images; }
    ScreenLibrary(const ScreenLibrary&) = delete;
    ScreenLibrary& operator=(const ScreenLibrary&) = delete;

    // The model whose library the operations work on (any thread).
    void SetPlace(const LibraryPlace& place);
    LibraryPlace Place() const;

    // Paths of the current place ('/'-separated; folders end with '/').
    std::string RootFolder() const;  // <data>/led/<model>/
    std::string AnimationFolder(const std::string& folderName) const;
    std::string FactoryGifPath(int slot) const;   // <application>/gif/<model>/<slot>.gif
    std::string SlotPreviewPath(int slot) const;  // <data>/default_led/<model>/<slot>.png

    // When the database holds no animation: one animation per factory GIF found (frames
    // "0.png", "1.png", ... with the GIF's display times) and, when there are no slot rows
    // yet, the slot previews and slot rows. Returns the number of animations created; a
    // factory animation that could not be stored (a full disk) is described in `failure`.
    int CreateDefaultLibrary(LibraryOutcome* failure = nullptr);
    // The animation's row; led_id 0 when there is none.
    LedLayerData Animation(int animationId);
    // Every animation in id order, factory ones marked, missing folders noticed.
    std::vector<LibraryAnimation> ListAnimations();
    std::vector<TftScreenData> ListSlots();

    // A new empty animation: its row and its folder. 0 when either could not be made (then
    // neither is left behind); `folder` receives the folder name.
    int CreateAnimation(std::string& folder);
    // Removes the animation's folder with its files and its rows. The folder is removed only
    // when its stored name is a plain time name inside this library.
    LibraryOutcome DeleteAnimation(int animationId);

    // Gives the animation the name the user typed: blanks at either end and line breaks are
    // dropped, and an empty name makes it unnamed again (stored as its folder name).
    LibraryOutcome RenameAnimation(int animationId, const std::string& name);
    // The name the user gave the animation, empty when it has none.
    static std::string GivenName(const LedLayerData& layer);

    // Frames of an animation in order, with their stored files.
    std::vector<FrameEntry> ListFrames(int animationId);

    // Replaces the animation's frames by `frames` in that order: edited pictures are copied
    // over their stored files, the frame rows rewritten densely from index 0, the animation's
    // first file and frame count updated, and frame files no frame uses any more removed.
    LibraryOutcome StoreFrames(int animationId, const std::vector<FrameEntry>& frames);

    // A picture file (any format `images` reads) fitted to the screen and stored in the
    // animation's folder under a new time name. Returns the new file's path, empty on failure.
    std::string AddPicture(int animationId, const std::string& picturePath);
    // A copy of a frame picture in the animation's folder under a new time name; its path.
    std::string CopyFrame(int animationId, const std::string& sourceFile);

    // Decodes the GIF completely, then stores it as a new animation (frames "0.png", ... fitted
    // to the screen, the GIF's display times, 100 ms where it gives none). A refused or failed
    // import leaves no folder and no rows behind.
    LibraryOutcome ImportGif(const std::string& path);
    // Writes the animation's stored frames as an animated GIF with their display times.
    LibraryOutcome ExportGif(int animationId, const std::string& path);

    // The factory reset: removes the whole library folder of the model and every library
    // row. The slot rows stay (the reset re-creates the database anyway).
    void ClearLibrary();

  private:
    struct DecodedAnimation {
        std::vector<ScreenImage> frames;
        std::vector<int> delays;
    };
    // Writes the frames into a new folder, then stores the rows. On failure nothing is left.
    LibraryOutcome StoreNewAnimation(const DecodedAnimation& animation);
    int FactoryCount(size_t animations, size_t slots) const;

    DataStore& store_;
    std::atomic<ImageServices*> images_;
    mutable std::mutex placeMutex_;  // guards place_
    LibraryPlace place_;
    // Held while the library's folders and rows are created or cleared as a whole (default
    // library, reset), so the worker and the UI thread never do it twice at once.
    std::mutex structureMutex_;
};

}  // namespace zanvor
