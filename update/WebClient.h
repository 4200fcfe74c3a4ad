#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace zanvor {

// The last download progress value posted. Downloads post a value only when it differs from
// this one, and it is kept from one download to the next: a process starts at 0, so its
// first download does not post its 0. Thread-safe.
class DownloadProgressState {
  public:
    int Last() const { return last_.load(); }
    // Records the value; false when it equals the last one (nothing is posted then).
    bool Change(int percent) { return last_.exchange(percent) != percent; }

  private:
    std::atomic<int> last_{0};
};

// The state every download of the process shares.
DownloadProgressState& ProcessDownloadProgress();

struct WebTimeouts {
    // Connecting, TLS handshake included.
    std::chrono::milliseconds connect{10000};
    // A transfer that receives nothing for this long fails (whole seconds).
    std::chrono::seconds stall{30};
};

// The update service's client over libcurl: the version text and file downloads. HTTPS only,
// the certificate and host name verified against the system's CA store (the file named by
// SSL_CERT_FILE when that is set); redirects are followed only to HTTPS addresses; proxies
// come from the usual environment variables. Requests ask every cache for a fresh answer.
//
// Each operation runs on the calling thread (the worker) until the transfer ends; another
// thread may clear the continue flag to stop it after the current read.
class WebClient {
  public:
    enum Result : int {
        kStopped = -2,   // the continue flag was cleared
        kFailed = -1,    // not reached, refused, timed out, an HTTP error or a write error
        kNoSession = 0,  // no transfer handle could be made
        kOk = 1,
    };
    static constexpr size_t kReadSize = 10240;
    static constexpr const char* kUserAgent = "IIC2.0/PC 5.5.0000";
    // Text answers are cut off after this many bytes (and one more).
    static constexpr size_t kMaxTextBytes = 64 * 1024;
    // Downloads larger than this fail (an update archive is a few megabytes).
    static constexpr uint64_t kMaxDownloadBytes = 512ull * 1024 * 1024;

    using ProgressSink = std::function<void(int percent)>;

    explicit WebClient(DownloadProgressState& progress = ProcessDownloadProgress());
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    // Before an operation starts.
    void SetTimeouts(const WebTimeouts& timeouts);
    void SetMaxDownloadBytes(uint64_t bytes) { maxDownloadBytes_ = bytes; }

    // The continue flag: set before an operation, cleared (any thread) to stop it. The
    // operations do not set it themselves, so a stop requested before the operation began
    // is not lost.
    void SetContinue(bool keepGoing) { continue_ = keepGoing; }
    bool ShouldContinue() const { return continue_.load(); }

    // Reads the whole answer at `address` into `text`. A longer answer than maxBytes is cut
    // off: `text` then holds maxBytes + 1 bytes and the rest is never read. Only answers with
    // a 2xx status count.
    int GetText(const std::string& address, std::string& text, size_t maxBytes = kMaxTextBytes);

    // Writes the answer at `address` to `targetPath` (an existing file is replaced) in reads
    // of kReadSize bytes and reports progress: 0 at the start, 2 when the transfer handle is
    // made, 8 when the address answered, 10 when the file is created, after each read
    // min(100, 10 + 90 × reads ÷ (length ÷ 10240)) when the answer's length is known and at
    // least 10240 bytes, and 100 at the end; a value equal to the last one posted (see
    // DownloadProgressState) is not posted. An answer that announces more bytes than the
    // download limit fails before anything is written; one that brings more than the limit
    // or than it announced fails as soon as it does. Anything but kOk leaves no file behind.
    int DownloadFile(const std::string& address, const std::string& targetPath,
                     const ProgressSink& progress);

    // Why the last operation did not return kOk, in one line; empty after kOk.
    std::string LastError() const;

  private:
    struct Transfer;
    friend struct Transfer;

    // Checks the continue flag and prepares the request: kOk to go on, else the result.
    int Begin(Transfer& transfer, const std::string& address);
    // The result of a request that did not succeed (`code` is curl's), with its reason.
    int Failed(const Transfer& transfer, int code);
    void SetError(std::string error);
    void Post(const ProgressSink& progress, int percent);

    DownloadProgressState& progress_;
    WebTimeouts timeouts_;
    std::atomic<uint64_t> maxDownloadBytes_{kMaxDownloadBytes};
    std::atomic<bool> continue_{true};
    mutable std::mutex errorMutex_;  // guards lastError_
    std::string lastError_;
};

}  // namespace zanvor
