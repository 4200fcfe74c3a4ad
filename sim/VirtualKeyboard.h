#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "sim/LightEffects.h"
#include "sim/VirtualKeyboardModel.h"

namespace zanvor {

// Report status bytes (payload offset 7 of a response).
inline constexpr uint8_t kSimStatusAccepted = 0x55;
inline constexpr uint8_t kSimStatusRefused = 0x0F;

// Builds the response the keyboard gives when it refuses a request: header, command, offset and
// length echoed, status 0x0F, no data. `payloadLength` is the input report length without ID.
std::vector<uint8_t> MakeRefusal(const uint8_t* request, size_t length, size_t payloadLength);

// The device side of the keyboard's vendor protocol. It keeps the keyboard's state (parameter
// block, key tables, custom light sets, macro block, matrix colours, battery, live frames) and
// answers one request payload (the report without its ID byte, header 0xAA at offset 0) with one
// response payload. Thread-safe: every member function may be called from any thread.
class VirtualKeyboard {
  public:
    explicit VirtualKeyboard(VirtualKeyboardModel model);

    const VirtualKeyboardModel& Model() const { return model_; }
    // Bytes of a request or response without the report ID (64 or 32).
    size_t PayloadLength() const { return payload_length_; }

    // Answers one request. False when the keyboard does not answer at all (a report that does
    // not start with 0xAA or is shorter than its 8-byte header).
    bool Process(const uint8_t* request, size_t length, std::vector<uint8_t>& response);

    // Factory state: what command 0x31 restores.
    void ResetToFactory();

    void SetBattery(int level, bool charging);
    int BatteryLevel() const;
    bool Charging() const;

    // Copy of the data block that a command reads or writes (for example 0x1B: the current key
    // table of layer 0; 0x14 and 0x15: the parameter block). Empty for commands without a block.
    std::vector<uint8_t> BlockData(uint8_t command) const;

    int BeginCount() const;
    int EndCount() const;
    bool LiveMode() const;         // set by command 0x2F, cleared by a reset
    int EffectFrameCount() const;  // reports of command 0x2E received
    // Effect frames completed (0x2E data followed by the end command), the bytes of the last
    // one as received, and when the last ones (up to 4096) completed, in microseconds of the
    // steady clock.
    int EffectFramesCompleted() const;
    std::vector<uint8_t> LastEffectFrame() const;
    std::vector<int64_t> EffectFrameTimesUs() const;
    int MatrixFrameCount() const;  // reports of command 0x3C received
    // Matrix frames whose last chunk arrived (the bar shows them whole), and when the last
    // ones (up to 4096) did, in microseconds of the steady clock. The last frame's bytes are
    // BlockData(0x3C).
    int MatrixFramesCompleted() const;
    std::vector<int64_t> MatrixFrameTimesUs() const;

    // True when state worth keeping changed since the last ClearDirty.
    bool Dirty() const;
    void ClearDirty();

    // Persistence of the state the host changes (parameter block, current key tables, custom
    // sets, macro block, matrix colours) as a JSON document with a version field. SaveState
    // writes atomically (temporary file, then rename). LoadState leaves the state unchanged and
    // returns false when the file is missing, unreadable, of another version or model, or holds
    // a block of the wrong size.
    bool SaveState(const std::string& path) const;
    bool LoadState(const std::string& path);
    // Saves only when dirty, and clears the mark (restored when writing fails). True when
    // nothing needed saving or the file was written.
    bool SaveStateIfDirty(const std::string& path);

  private:
    struct Block {
        uint8_t* data = nullptr;
        size_t size = 0;
        bool writable = false;
    };

    void ResetLocked();
    std::string StateDocumentLocked() const;
    // The block a command addresses; computed blocks are built into scratch_ first.
    bool FindBlock(uint8_t command, Block& block);
    void BuildDeviceInfo(uint8_t* out) const;
    void BuildLiveColours(uint8_t* out) const;
    // Remembers when a frame completed (the last 4096 times are kept).
    static void NoteFrameTime(std::vector<int64_t>& times);

    const VirtualKeyboardModel model_;
    const size_t payload_length_;
    const std::array<uint8_t, 128> led_map_;
    const std::vector<LedSpot> led_spots_;  // where each LED sits, for the drawn effects
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    const std::array<int, 3> knob_indices_;
    std::array<std::array<uint8_t, 384>, 4> default_tables_{};

    mutable std::mutex mutex_;  // guards every member below
    std::array<uint8_t, 64> parameter_block_{};
    std::array<std::array<uint8_t, 384>, 4> current_tables_{};
    std::array<std::array<uint8_t, 384>, 5> custom_sets_{};
    std::vector<uint8_t> macro_block_;
    std::array<uint8_t, 147> matrix_colours_{};
    std::array<uint8_t, 98> matrix_frame_{};
    std::array<uint8_t, 800> effect_frame_{};
    mutable std::array<uint8_t, 384> scratch_{};  // computed blocks (device info, battery, …)
    bool effect_showing_ = false;
    bool live_mode_ = false;
    int battery_level_ = 0;
    bool charging_ = false;
    int begin_count_ = 0;
    int end_count_ = 0;
    int effect_frames_ = 0;
    size_t effect_frame_length_ = 0;  // bytes of the frame being received
    int effect_frames_completed_ = 0;
    std::vector<uint8_t> last_effect_frame_;
    std::vector<int64_t> effect_frame_times_;
    int matrix_frames_ = 0;
    int matrix_frames_completed_ = 0;
    std::vector<int64_t> matrix_frame_times_;
    bool dirty_ = false;
};

}  // namespace zanvor
