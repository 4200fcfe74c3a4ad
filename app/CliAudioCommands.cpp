#include "app/CliAudioCommands.h"

#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "app/Startup.h"
#include "lighting/AuroraPage.h"
#include "lighting/KeyboardAudio.h"
#include "platform/FileRead.h"
#include "platform/Registry.h"
#include "store/DataStore.h"
#include "ui/DeviceTasks.h"
#include "ui/MainView.h"

namespace zanvor {

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

constexpr auto kServerWait = 3s;

std::atomic<bool> interrupted{false};

// SIGINT and SIGTERM end a running monitor or stream cleanly while this lives.
class InterruptGuard {
  public:
    InterruptGuard() {
        interrupted = false;
        previousInt_ = std::signal(SIGINT, OnSignal);
        previousTerm_ = std::signal(SIGTERM, OnSignal);
    }
    ~InterruptGuard() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    static void OnSignal(int) { interrupted = true; }
    void (*previousInt_)(int) = nullptr;
    void (*previousTerm_)(int) = nullptr;
};

bool WaitForServer(KeyboardAudio& audio) {
    const auto deadline = std::chrono::steady_clock::now() + kServerWait;
    while (std::chrono::steady_clock::now() < deadline) {
        const CaptureStatus status = audio.Status();
        if (status.capturing || (status.serverConnected && !status.error.empty())) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return audio.Status().serverConnected;
}

const char* KindOf(const AudioDevice& device) {
    if (device.sink) {
        return "playback";
    }
    return device.monitor ? "monitor" : "recording";
}

// Frequencies (Hz) a band of the 64-band spectrum covers at a sample rate.
std::pair<int, int> BandRange(int band, int rate) {
    auto edge = [](int j) {
        const double a = j / 64.0;
        return std::min(kSpectrumBins, static_cast<int>(a * a * a * kSpectrumBins));
    };
    const int lo = edge(band);
    const int hi = std::max(lo + 1, edge(band + 1));
    const double perBin = static_cast<double>(rate) / kSpectrumSize;
    return {static_cast<int>(lo * perBin), static_cast<int>(hi * perBin)};
}

const std::string kNoServer =
    "no sound server found (PulseAudio, or PipeWire with its PulseAudio service)";

}  // namespace

int CmdAudioDevices(const CliOptions& options) {
    PrepareHeadlessStartup();
    KeyboardAudio audio;
    audio.SetDevice(ReadRegistryText(kAudioDeviceValue));
    audio.Use(KeyboardAudio::kUserMonitor, true);
    std::vector<AudioDevice> devices;
    if (!WaitForServer(audio) || !audio.ListDevices(devices)) {
        return Fail(kCliFailed, kNoServer);
    }
    const CaptureStatus status = audio.Status();
    // What is captured is the sink (its monitor) or the source the capture reports.
    json rows = json::array();
    TextTable table({"NAME", "DESCRIPTION", "KIND", "DEFAULT", "CAPTURED"});
    for (const AudioDevice& device : devices) {
        const bool captured = device.name == status.device;
        rows.push_back({{"name", device.name},
                        {"description", device.description},
                        {"kind", KindOf(device)},
                        {"default", device.isDefault},
                        {"captured", captured}});
        table.AddRow({device.name, device.description, KindOf(device),
                      device.isDefault ? "yes" : "", captured ? "*" : ""});
    }
    if (options.json) {
        PrintJson(json{{"devices", rows},
                       {"captured", status.device},
                       {"follows_default", status.followsDefault}});
    } else {
        table.Print(std::cout);
        if (!status.error.empty()) {
            std::cout << "note: " << status.error << "\n";
        }
    }
    return kCliOk;
}

int CmdAudioMonitor(const CliOptions& options, int seconds, const std::string& device) {
    PrepareHeadlessStartup();
    const std::string chosen = device.empty() ? ReadRegistryText(kAudioDeviceValue) : device;
    KeyboardAudio audio;
    audio.SetDevice(chosen);
    audio.Use(KeyboardAudio::kUserMonitor, true);
    if (!WaitForServer(audio)) {
        return Fail(kCliFailed, kNoServer);
    }
    if (!device.empty() && audio.Status().device != device) {
        return Fail(kCliFailed,
                    "no sound device named " + device + " (zanvorctl audio devices lists them)");
    }

    InterruptGuard guard;
    json samples = json::array();
    const auto start = std::chrono::steady_clock::now();
    int second = 0;
    while (!interrupted.load() && (seconds <= 0 || second < seconds)) {
        // One second of 16-ms looks: the mean level, the highest peak, the beats heard.
        float levelSum = 0;
        float peak = 0;
        int looks = 0;
        int beats = 0;
        bool wasBeat = audio.Snapshot().beat;
        const auto end = start + std::chrono::seconds(second + 1);
        AudioFeatureSnapshot f;
        while (!interrupted.load() && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(KeyboardAudio::kPollMs));
            f = audio.Snapshot();
            levelSum += f.level;
            peak = std::max(peak, f.peakHold);
            ++looks;
            if (f.beat && !wasBeat) {
                ++beats;
            }
            wasBeat = f.beat;
        }
        if (looks == 0) {
            break;
        }
        ++second;
        const CaptureStatus status = audio.Status();
        const float level = levelSum / static_cast<float>(looks);
        const int band = static_cast<int>(std::max_element(f.bands64.begin(), f.bands64.end()) -
                                          f.bands64.begin());
        const auto [low, high] = BandRange(band, kDefaultSampleRate);
        if (options.json) {
            samples.push_back({{"time", second},
                               {"device", status.device},
                               {"capturing", status.capturing},
                               {"level", level},
                               {"peak", peak},
                               {"dominant_band", band},
                               {"bands64", f.bands64},
                               {"beat", beats > 0},
                               {"beats", beats},
                               {"tempo", f.tempo}});
        } else {
            char line[256];
            std::snprintf(
                line, sizeof line,
                "%3ds  level %3d%%  peak %3d%%  band %2d (%d-%d Hz)  beats %d  tempo %s", second,
                static_cast<int>(level * 100), static_cast<int>(peak * 100), band, low, high, beats,
                f.tempo > 0 ? std::to_string(static_cast<int>(f.tempo + 0.5)).c_str() : "-");
            std::cout << line << "  " << (status.capturing ? status.description : "(nothing)")
                      << std::endl;
        }
    }
    if (options.json) {
        PrintJson(samples);
    }
    return kCliOk;
}

namespace {

// Why a picture file was not read: what it is, or that its content is no picture.
std::string PictureProblem(const std::string& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        return "it does not exist or cannot be reached";
    }
    if (!S_ISREG(info.st_mode)) {
        return "it is not a regular file";
    }
    if (static_cast<unsigned long long>(info.st_size) > kMaxUserFileBytes) {
        return "it is larger than " + std::to_string(kMaxUserFileBytes >> 20) + " MB";
    }
    return "it is no picture or GIF this program reads";
}

}  // namespace

int CmdAuroraRun(CliSession& session, int mode, const std::string& file, int seconds) {
    if (session.HandedOver()) {
        // The stream would hold the window for as long as it runs, beyond Ctrl+C's reach.
        return Fail(kCliFailed,
                    "the desktop program is running: use its Aurora tab, or close it to stream "
                    "from here");
    }
    if (!session.KeyboardOnline()) {
        return Fail(kCliNoKeyboard, "no keyboard online");
    }
    KeyboardDlg& dialog = session.Dlg();
    AuroraPage& page = dialog.Pages().aurora;
    const int profile = dialog.session.currentProfile.load();
    page.LoadMusicLayer(profile);
    page.ApplyProfileMode(profile, false);
    if (mode == 0) {
        mode = page.modeTabs.GetCurData(kAuroraModeMusic);
    }
    if (mode == kAuroraModeImage) {
        if (file.empty()) {
            return Fail(kCliUsage, "mode 5 needs --file with a picture or GIF");
        }
        switch (dialog.auroraEffect.SetGIFImage(file)) {
            case ImageLoadResult::kLoaded:
                break;
            case ImageLoadResult::kVideo:
                return Fail(kCliFailed, "video files cannot be played; convert " + file +
                                            " to an animated GIF");
            default:
                return Fail(kCliFailed,
                            "cannot read the picture " + file + ": " + PictureProblem(file));
        }
    }

    InterruptGuard guard;
    dialog.session.currentPage = kPageAurora;
    page.OpenPage();
    page.RunMode(mode);
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::seconds(seconds);
    while (!interrupted.load() && (seconds <= 0 || std::chrono::steady_clock::now() < until) &&
           session.KeyboardOnline()) {
        dialog.PumpMessages();
        std::this_thread::sleep_for(20ms);
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    page.StopStreaming();
    // The keyboard shows its own light mode again.
    session.RunTask(kTaskWriteLightMode);

    const uint64_t sent = page.FramesSent();
    const uint64_t failed = page.FramesFailed();
    if (session.Options().json) {
        PrintJson(json{{"mode", mode},
                       {"seconds", elapsed},
                       {"frames", sent},
                       {"failed", failed},
                       {"frames_per_second", elapsed > 0 ? sent / elapsed : 0.0}});
    } else {
        std::printf("mode %d: %llu frames in %.1f s (%.0f per second), %llu not taken\n", mode,
                    static_cast<unsigned long long>(sent), elapsed,
                    elapsed > 0 ? sent / elapsed : 0.0, static_cast<unsigned long long>(failed));
    }
    if (!session.KeyboardOnline()) {
        return Fail(kCliNoKeyboard, "the keyboard went away while streaming");
    }
    if (sent == 0 && failed > 0) {
        return Fail(kCliFailed, "the keyboard did not take the effect frames");
    }
    return kCliOk;
}

}  // namespace zanvor
