#pragma once

// The program's side of the lighting SDK server: the selected keyboard described from the
// session, Direct colours handed to the live stream the worker sends, and modes applied as the
// lighting page applies them. Owns the server; clients are told when the keyboard comes, goes
// or the window takes it back.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "serve/SdkServer.h"

namespace zanvor {

class KeyboardDlg;

// The options the settings file gives (loopback and the usual port when it says nothing
// usable).
SdkServerOptions ReadSdkServerSettings();

class KeyboardHub : public SdkHub {
  public:
    // Call on the UI thread after the window object was initialised; `dialog` outlives the hub.
    explicit KeyboardHub(KeyboardDlg& dialog);
    ~KeyboardHub() override;
    KeyboardHub(const KeyboardHub&) = delete;
    KeyboardHub& operator=(const KeyboardHub&) = delete;

    bool Start(const SdkServerOptions& options, std::string* error = nullptr);
    // Closes every connection; a client's Direct colours give way to the keyboard's own mode.
    void Stop();
    bool Running() const { return server_.Running(); }
    uint16_t Port() const { return server_.Port(); }
    SdkServer& Server() { return server_; }

    // ---- server thread ----
    std::vector<SdkController> Controllers() override;
    void DirectFrame(size_t device, const std::vector<uint32_t>& colors,
                     const std::string& client) override;
    void ChangeMode(size_t device, size_t modeIndex, const SdkMode& mode, bool save) override;
    void DirectEnded(size_t device) override;
    void ClientsChanged(const std::vector<std::string>& names) override;
    std::vector<std::string> ProfileNames() override;
    void ProfileRequest(uint32_t packetId, const std::string& name) override;

  private:
    // The keyboard's identity as clients see it; a change means a new device list.
    struct Presence {
        bool online = false;
        int deviceType = 0;
        int connectionMode = -1;
        bool operator==(const Presence&) const = default;
    };
    Presence CurrentPresence() const;
    void CheckPresence();

    KeyboardDlg& dialog_;
    SdkServer server_;
    int deviceObserver_ = 0;
    int directObserver_ = 0;

    std::mutex mutex_;                        // guards ledCodes_ and presence_
    std::vector<std::vector<int>> ledCodes_;  // per device: the key or light code of each LED
    Presence presence_;
};

}  // namespace zanvor
