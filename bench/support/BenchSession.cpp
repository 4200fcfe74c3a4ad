#include "support/BenchSession.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/AppIdentity.h"
#include "platform/Paths.h"
#include "sim/SimCatalogue.h"

namespace zanvor::bench {

namespace fs = std::filesystem;

BenchSession::BenchSession(const std::string& selection, int latencyMs,
                           const BenchOptions& options) {
    std::string pattern = (fs::temp_directory_path() / "zanvor-bench-XXXXXX").string();
    home_ = mkdtemp(pattern.data()) != nullptr ? pattern + "/" : "/tmp/zanvor-bench/";
    setenv("XDG_CONFIG_HOME", (home_ + "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home_ + "data").c_str(), 1);
    setenv("XDG_STATE_HOME", (home_ + "state").c_str(), 1);
    SetApplicationName("Zanvor HUB");
    CreateFolders(DataFolder() + "db");

    std::vector<VirtualKeyboardModel> models;
    LoadCatalogueModels(ApplicationFolder(), models);
    if (options.tweakModel) {
        std::for_each(models.begin(), models.end(), options.tweakModel);
    }
    std::string error;
    sim_ = MakeSimBackend(models, selection, error);
    if (!sim_) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        std::exit(1);
    }
    sim_->SetLatency(latencyMs);
    manager_ = std::make_unique<DeviceManager>(
        options.wrapBackend ? options.wrapBackend(sim_) : std::shared_ptr<HidBackend>(sim_));
    dialog_ = std::make_unique<KeyboardDlg>(host_, dialogs_, manager_.get(), &store_);
    dialog_->Keyboards().UseSystemHotplug(false);
    dialog_->OnInitDialog();
    WaitIdle();
}

BenchSession::~BenchSession() {
    dialog_->DestroyWindow();
    dialog_.reset();
    manager_.reset();
    std::error_code ec;
    fs::remove_all(home_, ec);
}

bool BenchSession::WaitIdle(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        dialog_->PumpMessages();
        if (dialog_->Idle() && dialog_->PendingMessages() == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

FrameIntervals IntervalsSince(const std::vector<int64_t>& timesUs, int64_t fromUs) {
    std::vector<double> intervals;
    for (size_t i = 1; i < timesUs.size(); ++i) {
        if (timesUs[i - 1] >= fromUs) {
            intervals.push_back((timesUs[i] - timesUs[i - 1]) / 1000.0);
        }
    }
    if (intervals.empty()) {
        return {};
    }
    std::sort(intervals.begin(), intervals.end());
    return {intervals[intervals.size() * 99 / 100], intervals.back()};
}

}  // namespace zanvor::bench
