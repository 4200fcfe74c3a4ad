// Sending the largest macro block (4224 bytes, ten macros) to a virtual keyboard that answers
// each report after 1 ms: job 11 reads the macros from the database, builds the block and sends
// it in 56-byte reports with a 1 ms pause after each. Prints the median and slowest time of the
// job, of the whole round trip through the worker, and the share of the job spent outside the
// waits for the keyboard (its answers, the flush reads and the pauses between reports).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/DevicePages.h"
#include "keys/MacroSteps.h"
#include "support/BenchSession.h"
#include "ui/DeviceTasks.h"

using namespace zanvor;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<int64_t> waitNs{0};  // time spent inside the HID calls and the pauses

int64_t Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
}

// An opened interface whose reads and writes are timed.
class TimedDevice : public HidDevice {
  public:
    explicit TimedDevice(std::unique_ptr<HidDevice> inner) : inner_(std::move(inner)) {}
    int Write(const uint8_t* data, size_t length) override {
        const auto start = Clock::now();
        const int written = inner_->Write(data, length);
        waitNs += Since(start);
        return written;
    }
    int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
        const auto start = Clock::now();
        const int read = inner_->ReadTimeout(data, length, timeoutMs);
        waitNs += Since(start);
        return read;
    }
    int OutputReportLength() const override { return inner_->OutputReportLength(); }
    int InputReportLength() const override { return inner_->InputReportLength(); }

  private:
    std::unique_ptr<HidDevice> inner_;
};

class TimedBackend : public HidBackend {
  public:
    explicit TimedBackend(std::shared_ptr<HidBackend> inner) : inner_(std::move(inner)) {}
    std::vector<HidInterfaceInfo> Enumerate() override { return inner_->Enumerate(); }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        std::unique_ptr<HidDevice> device = inner_->Open(path);
        return device ? std::make_unique<TimedDevice>(std::move(device)) : nullptr;
    }
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override {
        return inner_->QueryUsage(path, usagePage, usage);
    }

  private:
    std::shared_ptr<HidBackend> inner_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    bench::BenchOptions options;
    // 17 × 256 bytes of macro memory: more than the work buffer, so the block may fill it.
    options.tweakModel = [](VirtualKeyboardModel& model) { model.macro_capacity_units = 17; };
    options.wrapBackend = [](std::shared_ptr<HidBackend> inner) {
        return std::make_shared<TimedBackend>(std::move(inner));
    };
    bench::BenchSession session("101:cable", 1, options);
    KeyboardDlg& dialog = session.Dlg();
    dialog.deviceList.ClickDevice(101);
    session.WaitIdle();
    MacroPage& page = dialog.Pages().macros;
    page.EnsureLoaded();

    // Ten macros of 28 bytes of table and 10 × 4 + 1039 × 4 bytes of records: 4224 bytes.
    std::vector<MacroData> macros;
    session.Store().ListMacros(macros);
    if (macros.size() != 10) {
        std::fprintf(stderr, "macro_download: expected ten macros, found %zu\n", macros.size());
        return 1;
    }
    MacroRecordData step;
    step.type = kStepKeyDown;
    step.value = 0x41;
    step.delay_time = 10;
    step.desc = StepText(kStepKeyDown, "A");
    for (size_t i = 0; i < macros.size(); ++i) {
        const size_t count = i + 1 < macros.size() ? 104 : 103;
        session.Store().ReplaceMacroSteps(macros[i].macro_id,
                                          std::vector<MacroRecordData>(count, step));
    }
    page.SetReportPause([] {
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        waitNs += Since(start);
    });

    std::vector<double> job;
    std::vector<double> outside;
    int reports = 0;
    int length = 0;
    for (int i = 0; i < rounds; ++i) {
        // The job as the worker runs it; the worker is idle meanwhile.
        waitNs = 0;
        const auto start = Clock::now();
        page.TaskDownloadMacros();
        const double totalMs = Since(start) / 1e6;
        job.push_back(totalMs);
        outside.push_back(100.0 * (totalMs - waitNs.load() / 1e6) / totalMs);
        const MacroDownloadResult result = page.LastDownload();
        if (!result.Sent() || !result.leftOut.empty()) {
            std::fprintf(stderr, "macro_download: the block was not sent whole\n");
            return 1;
        }
        reports = result.reports;
        length = result.length;
    }
    std::vector<double> roundTrip;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        dialog.PostTask(kTaskDownloadMacros);
        session.WaitIdle();
        roundTrip.push_back(Since(start) / 1e6);
    }
    std::printf(
        "macro block of %d bytes in %d reports at 1 ms per report: job median %.1f ms, slowest "
        "%.1f ms; through the worker median %.1f ms; outside the report waits %.2f %% (median, "
        "%d runs)\n",
        length, reports, Median(job), *std::max_element(job.begin(), job.end()), Median(roundTrip),
        Median(outside), rounds);
    return 0;
}
