#pragma once

// Per-LED colours another lighting program sets ("Direct"), streamed to the keyboard with the
// live effect frame command on the worker's idle pass. Only the newest frame is kept: a frame
// not yet sent is replaced, never queued, so the keyboard gets at most one frame per pass.
// Direct shares the live-stream slot with the music page: a client's first frame ends music
// streaming, and the window can take the keyboard back (its button, or music streaming
// started), after which frames are refused until the client has let go.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "lighting/EffectStream.h"

namespace zanvor {

class DeviceManager;
class PageRegistry;
class SessionState;
class TaskPoster;

class DirectStream {
  public:
    // Where the keyboard's LEDs are, read when the connection changes.
    using LedSource = std::function<LedLookup()>;
    // Called on the UI thread after the state changed.
    using Observer = std::function<void()>;

    DirectStream(DeviceManager& devices, SessionState& session, TaskPoster& poster);
    DirectStream(const DirectStream&) = delete;
    DirectStream& operator=(const DirectStream&) = delete;

    // The frame on the worker's idle pass and the state change message.
    void Register(PageRegistry& registry);
    void SetLedSource(LedSource source);
    // Before the worker starts: what the UI thread does when Direct starts (the music page
    // stops streaming).
    void SetStartHandler(std::function<void()> handler) { startHandler_ = std::move(handler); }
    // Any thread; the observer runs on the UI thread. Returns an id for RemoveObserver.
    int AddObserver(Observer observer);
    void RemoveObserver(int id);

    // ---- any thread ----
    // The newest colours of `client` (key or light code → colour, 0x00BBGGRR). False when the
    // window has taken the keyboard back and the client has not let go yet.
    bool Frame(const std::string& client, std::vector<std::pair<int, uint32_t>> colours);
    // The client let go (it left or chose a built-in mode): when Direct was on, the keyboard
    // gets its own light mode back, unless `restore` is false (a mode of the client's follows).
    void End(bool restore = true);
    // True while a client streams.
    bool Active() const;
    // The client streaming now ("" when none or it gave no name).
    std::string Client() const;
    // The window took the keyboard back and the client has not let go yet.
    bool TakenBack() const;
    uint64_t FramesSent() const { return framesSent_.load(); }

    // ---- UI thread ----
    // The window takes the keyboard back: the stream stops and the keyboard gets its own mode
    // again (unless `forStream`: another live stream takes over at once).
    void TakeBack(bool forStream = false);
    // The state change message.
    void OnChanged();

    // ---- worker ----
    // Sends the pending frame, if any.
    void SendFrame();

  private:
    void Changed();

    DeviceManager& devices_;
    SessionState& session_;
    TaskPoster& poster_;
    std::function<void()> startHandler_;  // set once, before the worker starts
    std::atomic<uint64_t> framesSent_{0};
    std::atomic<bool> framePending_{false};  // a frame waits for the worker

    mutable std::mutex mutex_;  // guards everything below
    bool active_ = false;
    bool takenBack_ = false;
    bool startPending_ = false;  // the UI thread has not yet seen the start
    std::string client_;
    std::optional<std::vector<std::pair<int, uint32_t>>> pending_;
    LedSource ledSource_;
    std::map<int, Observer> observers_;
    int nextObserver_ = 1;

    // Worker only: the LED lookup of the current connection.
    LedLookup ledOf_;
    uint64_t ledConnection_ = ~0ull;
};

}  // namespace zanvor
