#include "platform/HidTrace.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/FileWrite.h"

namespace zanvor {

namespace {

std::atomic<bool> writeFailed{false};

// The trace file, shared by the backend and every device it opened.
class TraceFile {
  public:
    explicit TraceFile(std::FILE* file) : file_(file) {}
    ~TraceFile() { std::fclose(file_); }
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    void Log(const char* direction, const std::string& path, const uint8_t* data, size_t length) {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t seconds = system_clock::to_time_t(now);
        const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
        std::tm local{};
        localtime_r(&seconds, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);

        std::string line;
        line.reserve(48 + path.size() + 3 * length);
        line += stamp;
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, ".%03d ", static_cast<int>(millis));
        line += buffer;
        line += direction;
        line += ' ';
        line += path;
        for (size_t i = 0; i < length; ++i) {
            std::snprintf(buffer, sizeof buffer, " %02X", data[i]);
            line += buffer;
        }
        line += '\n';
        std::lock_guard lock(mutex_);
        if (std::fputs(line.c_str(), file_) < 0 || std::fflush(file_) != 0) {
            writeFailed = true;
        }
    }

  private:
    std::mutex mutex_;  // guards writes to file_, so lines never interleave
    std::FILE* file_;
};

class TracingDevice : public HidDevice {
  public:
    TracingDevice(std::unique_ptr<HidDevice> inner, std::string path,
                  std::shared_ptr<TraceFile> trace)
        : inner_(std::move(inner)), path_(std::move(path)), trace_(std::move(trace)) {}

    int Write(const uint8_t* data, size_t length) override {
        const int written = inner_->Write(data, length);
        if (written >= 0) {
            trace_->Log("OUT", path_, data, length);
        }
        return written;
    }
    int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
        const int read = inner_->ReadTimeout(data, length, timeoutMs);
        if (read > 0) {
            trace_->Log("IN", path_, data, std::min(length, static_cast<size_t>(read)));
        }
        return read;
    }
    int OutputReportLength() const override { return inner_->OutputReportLength(); }
    int InputReportLength() const override { return inner_->InputReportLength(); }

  private:
    std::unique_ptr<HidDevice> inner_;
    std::string path_;
    std::shared_ptr<TraceFile> trace_;
};

class TracingBackend : public HidBackend {
  public:
    TracingBackend(std::shared_ptr<HidBackend> inner, std::shared_ptr<TraceFile> trace)
        : inner_(std::move(inner)), trace_(std::move(trace)) {}

    std::vector<HidInterfaceInfo> Enumerate() override { return inner_->Enumerate(); }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        std::unique_ptr<HidDevice> device = inner_->Open(path);
        if (!device) {
            return nullptr;
        }
        return std::make_unique<TracingDevice>(std::move(device), path, trace_);
    }
    bool OpenDenied(const std::string& path) override { return inner_->OpenDenied(path); }
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override {
        return inner_->QueryUsage(path, usagePage, usage);
    }

  private:
    std::shared_ptr<HidBackend> inner_;
    std::shared_ptr<TraceFile> trace_;
};

}  // namespace

std::shared_ptr<HidBackend> MakeHidTraceBackend(std::shared_ptr<HidBackend> inner,
                                                const std::string& file, std::string* error) {
    if (!inner) {
        if (error != nullptr) {
            *error = "no HID backend to trace";
        }
        return nullptr;
    }
    std::string problem;
    const int fd = OpenRegularFileForAppend(file, problem);
    std::FILE* handle = fd >= 0 ? ::fdopen(fd, "a") : nullptr;
    if (handle == nullptr) {
        if (fd >= 0) {
            problem = "cannot open " + file + ": " + std::strerror(errno);
            ::close(fd);
        }
        if (error != nullptr) {
            *error = problem;
        }
        return nullptr;
    }
    return std::make_shared<TracingBackend>(std::move(inner), std::make_shared<TraceFile>(handle));
}

bool HidTraceWriteFailed() {
    return writeFailed.load();
}

}  // namespace zanvor
