#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/FocusSource.h"
#include "platform/UniqueFd.h"

typedef struct sd_bus sd_bus;
typedef struct sd_bus_slot sd_bus_slot;
typedef struct sd_bus_message sd_bus_message;

namespace zanvor {

// The window in front on KDE Plasma's Wayland session. There a program cannot see other
// programs' windows, but KWin runs scripts: Start writes a small one that calls this program
// back over the session bus when a window comes to the front (its pid, resource class, resource
// name and caption) and when program windows open or close, loads it through KWin's scripting
// interface (org.kde.KWin /Scripting) and starts it; Stop unloads it. The calls are answered on
// a thread of the source's own, blocked in poll() between them; only KWin's calls count.
class KWinFocusSource : public FocusSource {
  public:
    // Where the script calls back, and the name KWin knows the script by.
    static constexpr const char* kObjectPath = "/org/zanvor/Hub/Focus";
    static constexpr const char* kInterface = "org.zanvor.Hub.Focus";
    static constexpr const char* kPluginName = "zanvor-hub-focus";

    // `busAddress`: the D-Bus to use ("" for the user's session bus).
    explicit KWinFocusSource(std::string busAddress = {}) : address_(std::move(busAddress)) {}
    ~KWinFocusSource() override;
    KWinFocusSource(const KWinFocusSource&) = delete;
    KWinFocusSource& operator=(const KWinFocusSource&) = delete;

    bool Start(Callback callback, std::string& error) override;
    void Stop() override;
    // The program windows KWin listed when the script started and opened since.
    std::vector<FocusedWindow> ListWindows() override;

    // The script's text, calling back the bus name `service` (KWin 5 and 6 alike).
    static std::string ScriptText(const std::string& service);
    // The path of the script file Start wrote ("" when none).
    const std::string& ScriptPath() const { return scriptPath_; }

  private:
    friend struct KWinCallbacks;
    void Loop();
    // Bus thread: a call of the script; false when it is not KWin's or not understood.
    bool OnCall(sd_bus_message* message);
    // Unloads the script and closes the bus (the bus thread has ended).
    void Release();

    std::string address_;
    Callback callback_;
    sd_bus* bus_ = nullptr;  // the bus thread's once started; Start and Stop use it around it
    sd_bus_slot* slot_ = nullptr;
    std::string kwinName_;  // KWin's unique bus name: the only caller listened to
    std::string scriptPath_;
    bool loaded_ = false;  // the script is loaded into KWin
    UniqueFd stopFd_;      // eventfd that ends the loop
    std::thread thread_;
    std::mutex windowsMutex_;                       // guards windows_
    std::map<std::string, FocusedWindow> windows_;  // by KWin's window id
};

}  // namespace zanvor
