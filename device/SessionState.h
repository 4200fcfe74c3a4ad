#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "device/KeyLayout.h"
#include "device/LightPositionMap.h"

namespace zanvor {

// What the keyboard reported about itself in its device information block.
struct DeviceInfo {
    bool valid = false;
    uint16_t firmwareVersion = 0;
    uint8_t lightingProtocolVersion = 0;
    int macroCapacity = 0;  // bytes
    int mainMaxBrightness = 0;
    int mainMaxSpeed = 0;
    bool zone1Present = false;
    int zone1MaxBrightness = 0;
    int zone1MaxSpeed = 0;
    bool zone2Present = false;
    int zone2MaxBrightness = 0;
    int zone2MaxSpeed = 0;
    bool matrixPresent = false;
    int matrixMaxBrightness = 0;
    int matrixMaxSpeed = 0;
    bool knobPresent = false;
    std::string firmwareText;  // "%x" of the firmware version, "" before the first read
    int firmwareOffer = 0;     // 0 not determined, 1 update offered, 2 up to date
    int battery = 0;           // percent; 0 = no battery information
    int charging = 0;
};

inline constexpr size_t kParameterBlockSize = 64;
using ParameterBlock = std::array<uint8_t, kParameterBlockSize>;

// What the lighting page works on: the worker's light jobs read these when they run, so
// several queued jobs all send the latest values.
struct LightPageState {
    std::atomic<int> type{0};  // light type of the selected zone tab: 0 main, 1 zone 1, 2 zone 2
    std::atomic<int> mode{0};  // current mode of that zone; 0x80..0x84 the custom sets
    std::atomic<bool> enabled{false};
    std::atomic<int> configFunc{0};  // parameter flags of the current mode's row
    std::atomic<int> matrixMode{0};  // current mode of the matrix screen zone
};

// Posting work and messages to the main window from the feature pages, without knowing it.
class TaskPoster {
  public:
    virtual ~TaskPoster() = default;
    // Appends a worker task; never waits for a running job.
    virtual void PostTask(int code) = 0;
    // Posts only when the worker's queue is empty (high-rate edits).
    virtual void PostTaskIfIdle(int code) = 0;
    // Posts a window message to the main window (handled on the UI thread).
    virtual void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) = 0;
    // A live stream was switched on: a sleeping worker starts passing again.
    virtual void WakeWorker() {}
};

// The session state every page reads: the current profile, model, connection and layer,
// the key maps of the model's layout and the mirrors of what the keyboard reported. The UI
// thread and the worker both read and write it.
class SessionState {
  public:
    // Capability bits of the pages: keys, macros, lighting, music, screen (all on).
    static constexpr int kFeatureKeys = 0x01;
    static constexpr int kFeatureMacros = 0x02;
    static constexpr int kFeatureLighting = 0x04;
    static constexpr int kFeatureMusic = 0x10;
    static constexpr int kFeatureScreen = 0x40;
    static constexpr int kFeatureFlags = 0x7F;

    std::atomic<int> currentProfile{1};
    std::atomic<int> currentDeviceType{0};
    std::atomic<int> currentConnectionMode{-1};
    std::atomic<int> currentLayer{0};
    // The main window's page on screen (0 home ... 6 screen library).
    std::atomic<int> currentPage{0};

    // Kept by the keyboard scan and selection: present = some supported keyboard interface is
    // open; online = the selected keyboard is reachable. Device tasks run only with both set.
    std::atomic<bool> devicePresent{false};
    std::atomic<bool> deviceOnline{false};
    // Live streams the pages switch on; the worker's idle pass serves them.
    std::atomic<bool> liveMirrorOn{false};
    std::atomic<bool> liveEffectOn{false};
    std::atomic<bool> liveMatrixOn{false};
    // Another lighting program streams per-LED colours (it holds the live-stream slot).
    std::atomic<bool> liveDirectOn{false};

    // ---- the connection read ----
    // Every time the keyboard behind the selection may have changed (a scan, another model, a
    // receiver's link coming up) a new connection begins; what was read from the keyboard
    // before belongs to the old one. Returns the new connection's number.
    uint64_t BeginConnection() {
        std::lock_guard lock(mutex_);
        connectionRead_ = false;
        lightMap_ = LightPositionMap{};  // another model's LEDs must never place this one's
        return ++connection_;
    }
    uint64_t Connection() const { return connection_.load(); }
    // The connection read of `connection` completed (device information, parameter block,
    // key tables, LED positions). Ignored when another connection began meanwhile.
    void MarkConnectionRead(uint64_t connection) {
        std::lock_guard lock(mutex_);
        if (connection == connection_.load()) {
            connectionRead_ = true;
        }
    }
    // True once the keyboard of the current connection was read completely: only then do the
    // key tables and index maps describe this keyboard, and whole tables may be written.
    bool ConnectionRead() const { return connectionRead_.load(); }

    // A whole-table write was refused because the keyboard was not read yet; the profile is
    // written once the read completes, and the read then keeps the profile's rows.
    std::atomic<bool> tableWritePending{false};
    // A macro download did not reach the keyboard (refused, cut off, or dropped while it was
    // away): the macros are sent again once the keyboard has been read.
    std::atomic<bool> macroDownloadPending{false};

    // The lighting page's current zone, mode and switches.
    LightPageState light;

    KeyMaps KeyMapsCopy() const {
        std::lock_guard lock(mutex_);
        return keyMaps_;
    }
    void SetKeyMaps(const KeyMaps& maps) {
        std::lock_guard lock(mutex_);
        keyMaps_ = maps;
    }
    // Runs fn with the key maps under the state's lock (no device I/O inside).
    void WithKeyMaps(const std::function<void(const KeyMaps&)>& fn) const {
        std::lock_guard lock(mutex_);
        fn(keyMaps_);
    }

    DeviceInfo Info() const {
        std::lock_guard lock(mutex_);
        return info_;
    }
    void SetInfo(const DeviceInfo& info) {
        std::lock_guard lock(mutex_);
        info_ = info;
    }

    ParameterBlock Parameters() const {
        std::lock_guard lock(mutex_);
        return parameters_;
    }
    void SetParameters(const ParameterBlock& block) {
        std::lock_guard lock(mutex_);
        parameters_ = block;
    }

    // The keyboard's LED positions as read at the last connection (empty before).
    LightPositionMap LightMap() const {
        std::lock_guard lock(mutex_);
        return lightMap_;
    }
    void SetLightMap(const LightPositionMap& map) {
        std::lock_guard lock(mutex_);
        lightMap_ = map;
    }

  private:
    std::atomic<uint64_t> connection_{0};
    std::atomic<bool> connectionRead_{false};
    // guards keyMaps_, info_, parameters_ and lightMap_; makes BeginConnection and
    // MarkConnectionRead atomic
    mutable std::mutex mutex_;
    KeyMaps keyMaps_;
    DeviceInfo info_;
    ParameterBlock parameters_{};
    LightPositionMap lightMap_;
};

}  // namespace zanvor
