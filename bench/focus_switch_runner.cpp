// How soon the keyboard follows the window in front: on a private X server (Xvfb, no window
// manager) the runner sets the root window's _NET_ACTIVE_WINDOW as a window manager does,
// alternately to a game's window (its program bound to profile 2) and to a browser's (back to
// profile 1), and times each change up to the first report of the profile switch written to the
// virtual keyboard (1 ms per report). Prints the median and the 99th percentile.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/DevicePages.h"
#include "platform/X11FocusSource.h"
#include "support/BenchSession.h"
#include "support/XServer.h"

extern char** environ;

using namespace zanvor;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<bool> armed{false};        // the next write is timed
std::atomic<int64_t> firstWriteNs{0};  // steady clock of the first write since armed

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// An opened interface that notes when the first report after the arming goes out.
class FirstWriteDevice : public HidDevice {
  public:
    explicit FirstWriteDevice(std::unique_ptr<HidDevice> inner) : inner_(std::move(inner)) {}
    int Write(const uint8_t* data, size_t length) override {
        if (armed.exchange(false)) {
            firstWriteNs = Now();
        }
        return inner_->Write(data, length);
    }
    int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
        return inner_->ReadTimeout(data, length, timeoutMs);
    }
    int OutputReportLength() const override { return inner_->OutputReportLength(); }
    int InputReportLength() const override { return inner_->InputReportLength(); }

  private:
    std::unique_ptr<HidDevice> inner_;
};

class FirstWriteBackend : public HidBackend {
  public:
    explicit FirstWriteBackend(std::shared_ptr<HidBackend> inner) : inner_(std::move(inner)) {}
    std::vector<HidInterfaceInfo> Enumerate() override { return inner_->Enumerate(); }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        std::unique_ptr<HidDevice> device = inner_->Open(path);
        return device ? std::make_unique<FirstWriteDevice>(std::move(device)) : nullptr;
    }
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override {
        return inner_->QueryUsage(path, usagePage, usage);
    }

  private:
    std::shared_ptr<HidBackend> inner_;
};

// Another process for the windows to belong to: the program ignores its own windows.
pid_t SpawnSleeper() {
    pid_t pid = 0;
    const char* argv[] = {"/bin/sleep", "600", nullptr};
    return posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) ==
                   0
               ? pid
               : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int switches = argc > 1 ? std::max(2, std::atoi(argv[1])) : 30;
    test::PrivateXServer server;
    std::string why;
    if (!server.Start(why)) {
        std::fprintf(stderr, "focus_switch: %s\n", why.c_str());
        return 1;
    }
    const pid_t other = SpawnSleeper();
    if (other <= 0) {
        std::fprintf(stderr, "focus_switch: cannot start a process for the windows\n");
        return 1;
    }
    bench::BenchOptions options;
    options.wrapBackend = [](std::shared_ptr<HidBackend> inner) {
        return std::make_shared<FirstWriteBackend>(std::move(inner));
    };
    int status = 0;
    {
        bench::BenchSession session("101:cable", 1, options);
        KeyboardDlg& dialog = session.Dlg();
        dialog.deviceList.ClickDevice(101);
        session.WaitIdle();
        int holder = 0;
        if (session.Store().BindProgram(2, "dota2", holder) != DataStore::BindOutcome::kOk) {
            std::fprintf(stderr, "focus_switch: cannot bind the game to profile 2\n");
            status = 1;
        }
        const uint32_t game = server.CreateWindow("dota2", "Dota2", "Dota 2", other);
        const uint32_t browser = server.CreateWindow("Navigator", "firefox", "Firefox", other);
        std::string error;
        if (status == 0 && !dialog.Pages().focus.Start(
                               std::make_unique<X11FocusSource>(server.Display()), error)) {
            std::fprintf(stderr, "focus_switch: %s\n", error.c_str());
            status = 1;
        }
        session.WaitIdle();
        std::vector<double> times;
        for (int i = 0; status == 0 && i < switches; ++i) {
            const bool toGame = i % 2 == 0;
            firstWriteNs = 0;
            armed = true;
            const int64_t start = Now();
            server.Activate(toGame ? game : browser);
            const auto deadline = Clock::now() + std::chrono::seconds(5);
            while (firstWriteNs.load() == 0 && Clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            session.WaitIdle();
            if (firstWriteNs.load() == 0 ||
                dialog.session.currentProfile.load() != (toGame ? 2 : 1)) {
                std::fprintf(stderr, "focus_switch: switch %d did not reach the keyboard\n", i);
                status = 1;
                break;
            }
            times.push_back(static_cast<double>(firstWriteNs.load() - start) / 1e6);
        }
        dialog.Pages().focus.Stop();
        if (status == 0) {
            std::sort(times.begin(), times.end());
            const size_t p99 =
                static_cast<size_t>(std::ceil(0.99 * static_cast<double>(times.size()))) - 1;
            std::printf(
                "focus switch, _NET_ACTIVE_WINDOW set to the first report of the profile "
                "switch: median %.2f ms, p99 %.2f ms (%d switches)\n",
                times[times.size() / 2], times[p99], switches);
        }
    }
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
    return status;
}
