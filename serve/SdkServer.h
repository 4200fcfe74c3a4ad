#pragma once

// The lighting SDK protocol server: other RGB programs connect over TCP, read the keyboards'
// descriptions and drive them. One thread of its own does all socket work; what reaches the
// keyboards goes through the hub, which hands it to the worker's queue.

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/UniqueFd.h"
#include "serve/SdkController.h"

namespace zanvor {

// What the server needs of the program that owns the keyboards. Called on the server's
// thread; an implementation never waits for the keyboard.
class SdkHub {
  public:
    virtual ~SdkHub() = default;
    // The keyboards online now, in the order clients index them.
    virtual std::vector<SdkController> Controllers() = 0;
    // The newest Direct colours of a device (one per LED) from the client of that name; an
    // older frame not yet sent is replaced, never queued.
    virtual void DirectFrame(size_t device, const std::vector<uint32_t>& colors,
                             const std::string& client) = 0;
    // A client chose one of the keyboard's own modes (index into the description's modes);
    // `save` also stores it in the active profile. It ends Direct on that device.
    virtual void ChangeMode(size_t device, size_t modeIndex, const SdkMode& mode, bool save) = 0;
    // No client drives the device in Direct any more: it gets its own mode back.
    virtual void DirectEnded(size_t device) = 0;
    // The names of the connected clients changed (empty names are not listed).
    virtual void ClientsChanged(const std::vector<std::string>& names) = 0;
    // The profiles' names, in the order clients see them.
    virtual std::vector<std::string> ProfileNames() = 0;
    // A client asked to load, save or delete the profile of that name; carried out later, on
    // the program's own terms (its limits, never the last profile).
    virtual void ProfileRequest(uint32_t packetId, const std::string& name) = 0;
};

struct SdkServerOptions {
    std::string address = "127.0.0.1";
    uint16_t port = kSdkDefaultPort;  // 0: any free port (tests)
    // Loopback peers of other users are refused unless this is set.
    bool allowOtherUsers = false;
    // Most clients at once; more are closed at once.
    size_t maxClients = 128;
    // Bytes waiting for a client that does not read before it is dropped.
    size_t maxPendingOutput = 4 * 1024 * 1024;
};

class SdkServer {
  public:
    explicit SdkServer(SdkHub& hub);
    ~SdkServer();
    SdkServer(const SdkServer&) = delete;
    SdkServer& operator=(const SdkServer&) = delete;

    // Binds and starts the server's thread; false with a reason when the address cannot be
    // used (taken port, bad address).
    bool Start(const SdkServerOptions& options, std::string* error = nullptr);
    // Closes every connection (their Direct modes end) and stops the thread.
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // The port actually bound.
    uint16_t Port() const { return port_.load(); }
    // Any thread: the keyboards came or went; clients are told to read the list again.
    void NotifyDeviceListUpdated();
    // The uid a loopback peer must have (tests set another; before Start); the process's own by
    // default.
    void SetOwnerUid(uid_t uid) { ownerUid_ = uid; }
    // Connections currently open (tests, status).
    size_t ClientCount() const { return clientCount_.load(); }

  private:
    struct Client;
    void Loop();
    void Accept();
    bool ReadFrom(Client& client);
    bool HandlePackets(Client& client);
    void SendPendingFrames(const Client& client);
    bool WriteTo(Client& client);
    bool Handle(Client& client, const struct SdkPacket& packet);
    void Send(Client& client, uint32_t device, uint32_t id, const std::vector<uint8_t>& data);
    void Drop(size_t index);
    void RefreshControllers();
    void EndDirect(size_t device, const Client* leaving);
    void ReportClients();

    SdkHub& hub_;
    SdkServerOptions options_;
    UniqueFd listen_;
    UniqueFd wake_;  // eventfd: stop or notify
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> listChanged_{false};
    std::atomic<uint16_t> port_{0};
    std::atomic<size_t> clientCount_{0};
    uid_t ownerUid_;
    // Server thread only from here on.
    std::vector<std::unique_ptr<Client>> clients_;
    std::vector<SdkController> controllers_;
    std::vector<uint8_t> readBuffer_;
    // Devices whose Direct colours changed in the packets of the current read: only the newest
    // colours of a read reach the keyboard, however many updates a fast client packed into it.
    std::vector<bool> framePending_;
};

}  // namespace zanvor
