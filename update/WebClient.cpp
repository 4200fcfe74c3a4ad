#include "update/WebClient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/UniqueFd.h"

namespace zanvor {

namespace {

void InitialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlPtr = std::unique_ptr<CURL, CurlCleanup>;
using ListPtr = std::unique_ptr<curl_slist, ListCleanup>;

std::string ErrnoText(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

bool IsSuccess(long status) {
    return status >= 200 && status < 300;
}

}  // namespace

DownloadProgressState& ProcessDownloadProgress() {
    static DownloadProgressState state;
    return state;
}

// One request: the curl handle, what was received and why it stopped.
struct WebClient::Transfer {
    WebClient& client;
    CurlPtr curl;
    ListPtr headers;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::string failure;   // set by a callback that ended the transfer
    bool stopped = false;  // the continue flag was cleared
    // When data last arrived (the start until the first data).
    std::chrono::steady_clock::time_point lastData = std::chrono::steady_clock::now();
    curl_off_t received = 0;

    explicit Transfer(WebClient& owner) : client(owner) {}

    // Sets the options every request shares; false when no handle could be made.
    bool Prepare(const std::string& address) {
        InitialiseCurl();
        curl.reset(curl_easy_init());
        if (!curl) {
            return false;
        }
        CURL* h = curl.get();
        curl_slist* list = curl_slist_append(nullptr, "Accept: */*");
        list = list != nullptr ? curl_slist_append(list, "Cache-Control: no-cache") : nullptr;
        list = list != nullptr ? curl_slist_append(list, "Pragma: no-cache") : nullptr;
        if (list == nullptr) {
            return false;
        }
        headers.reset(list);
        curl_easy_setopt(h, CURLOPT_URL, address.c_str());
        curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
        // As OpenSSL-based tools do: SSL_CERT_FILE names the CA store to trust instead of the
        // system's.
        if (const char* caFile = std::getenv("SSL_CERT_FILE"); caFile != nullptr && *caFile) {
            curl_easy_setopt(h, CURLOPT_CAINFO, caFile);
            curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
        }
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(client.timeouts_.connect.count()));
        curl_easy_setopt(h, CURLOPT_BUFFERSIZE, static_cast<long>(kReadSize));
        // Called about once a second even while nothing arrives, so neither a stop nor the
        // stall time-out waits for a silent server.
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
        return true;
    }

    static int OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t, curl_off_t) {
        auto* transfer = static_cast<Transfer*>(self);
        if (!transfer->client.ShouldContinue()) {
            transfer->stopped = true;
            return 1;
        }
        const auto now = std::chrono::steady_clock::now();
        if (downloaded != transfer->received) {
            transfer->received = downloaded;
            transfer->lastData = now;
        } else if (now - transfer->lastData >= transfer->client.timeouts_.stall) {
            transfer->failure = "the server did not answer in time (nothing arrived for " +
                                std::to_string(transfer->client.timeouts_.stall.count()) + " s)";
            return 1;
        }
        return 0;
    }

    long Status() const {
        long status = 0;
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
        return status;
    }

    // The failure text of a finished request.
    std::string Describe(CURLcode code) const {
        if (!failure.empty()) {
            return failure;
        }
        const std::string detail = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
        switch (code) {
            case CURLE_UNSUPPORTED_PROTOCOL:
                return "only https:// addresses are used (" + detail + ")";
            case CURLE_OPERATION_TIMEDOUT:
                return "the server did not answer in time (" + detail + ")";
            case CURLE_PEER_FAILED_VERIFICATION:
            case CURLE_SSL_CACERT_BADFILE:
            case CURLE_SSL_CONNECT_ERROR:
                return "the server's certificate was not accepted (" + detail + ")";
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_RESOLVE_PROXY:
            case CURLE_COULDNT_CONNECT:
                return "cannot connect (" + detail + ")";
            default:
                return detail;
        }
    }
};

WebClient::WebClient(DownloadProgressState& progress) : progress_(progress) {}

void WebClient::SetTimeouts(const WebTimeouts& timeouts) {
    timeouts_ = timeouts;
}

std::string WebClient::LastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

void WebClient::SetError(std::string error) {
    std::lock_guard lock(errorMutex_);
    lastError_ = std::move(error);
}

void WebClient::Post(const ProgressSink& progress, int percent) {
    if (progress_.Change(percent) && progress) {
        progress(percent);
    }
}

int WebClient::Begin(Transfer& transfer, const std::string& address) {
    if (!ShouldContinue()) {
        SetError("stopped");
        return kStopped;
    }
    if (!transfer.Prepare(address)) {
        SetError("no transfer could be started");
        return kNoSession;
    }
    return kOk;
}

int WebClient::Failed(const Transfer& transfer, int code) {
    if (transfer.stopped) {
        SetError("stopped");
        return kStopped;
    }
    SetError(transfer.Describe(static_cast<CURLcode>(code)));
    return kFailed;
}

int WebClient::GetText(const std::string& address, std::string& text, size_t maxBytes) {
    text.clear();
    SetError({});
    Transfer transfer(*this);
    if (const int begun = Begin(transfer, address); begun != kOk) {
        return begun;
    }
    struct Sink {
        Transfer& transfer;
        std::string& text;
        size_t maxBytes;
        bool cutOff = false;
    } sink{transfer, text, maxBytes};
    using WriteFn = size_t (*)(char*, size_t, size_t, void*);
    const WriteFn write = [](char* data, size_t one, size_t count, void* target) -> size_t {
        auto& s = *static_cast<Sink*>(target);
        const size_t size = one * count;
        if (!IsSuccess(s.transfer.Status())) {
            s.transfer.failure = "the server answered HTTP " + std::to_string(s.transfer.Status());
            return CURL_WRITEFUNC_ERROR;
        }
        if (!s.transfer.client.ShouldContinue()) {
            s.transfer.stopped = true;
            return CURL_WRITEFUNC_ERROR;
        }
        // One byte past the limit shows the caller that the answer went on; the rest is not
        // read.
        const size_t room = s.maxBytes + 1 - s.text.size();
        s.text.append(data, std::min(size, room));
        if (size >= room) {
            s.cutOff = true;
            return CURL_WRITEFUNC_ERROR;
        }
        return size;
    };
    curl_easy_setopt(transfer.curl.get(), CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(transfer.curl.get(), CURLOPT_WRITEDATA, &sink);
    const CURLcode code = curl_easy_perform(transfer.curl.get());
    if (code == CURLE_OK && !IsSuccess(transfer.Status())) {
        transfer.failure = "the server answered HTTP " + std::to_string(transfer.Status());
    }
    if ((code == CURLE_OK || sink.cutOff) && transfer.failure.empty()) {
        return kOk;
    }
    text.clear();
    return Failed(transfer, code);
}

int WebClient::DownloadFile(const std::string& address, const std::string& targetPath,
                            const ProgressSink& progress) {
    SetError({});
    Post(progress, 0);
    Transfer transfer(*this);
    if (const int begun = Begin(transfer, address); begun != kOk) {
        return begun;
    }
    Post(progress, 2);
    unlink(targetPath.c_str());

    // What the body callback needs: the file, the reads counted in whole kReadSize blocks
    // (so progress does not depend on how the network splits the data) and the length.
    struct Sink {
        WebClient& client;
        Transfer& transfer;
        const ProgressSink& progress;
        const std::string& path;
        UniqueFd file;
        std::vector<char> pending;
        int64_t reads = 0;
        curl_off_t length = -1;
        uint64_t limit = kMaxDownloadBytes;
        uint64_t received = 0;

        // The address answered: create the target file, unless the answer announces more
        // than may be downloaded.
        bool Open() {
            if (!IsSuccess(transfer.Status())) {
                transfer.failure = "the server answered HTTP " + std::to_string(transfer.Status());
                return false;
            }
            client.Post(progress, 8);
            curl_easy_getinfo(transfer.curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (length > 0 && static_cast<uint64_t>(length) > limit) {
                transfer.failure = "the download announces " + std::to_string(length) +
                                   " bytes, more than the " + std::to_string(limit) + " allowed";
                return false;
            }
            file = UniqueFd(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
            if (!file.IsOpen()) {
                transfer.failure = ErrnoText("create", path);
                return false;
            }
            client.Post(progress, 10);
            pending.reserve(kReadSize);
            return true;
        }
        // Counts what arrived; false (and the reason) once it is more than may be downloaded.
        bool Receive(size_t size) {
            received += size;
            if (received > limit) {
                transfer.failure =
                    "the download is larger than the " + std::to_string(limit) + " bytes allowed";
                return false;
            }
            if (length >= 0 && received > static_cast<uint64_t>(length)) {
                transfer.failure = "the server sent more than the " + std::to_string(length) +
                                   " bytes it announced";
                return false;
            }
            return true;
        }
        // Writes one read's worth and posts its progress.
        bool Flush(size_t size) {
            if (!WriteAll(file.Get(), pending.data(), size)) {
                transfer.failure = ErrnoText("write", path);
                return false;
            }
            pending.erase(pending.begin(), pending.begin() + static_cast<ptrdiff_t>(size));
            ++reads;
            const int64_t blocks = length / static_cast<int64_t>(kReadSize);
            if (length >= static_cast<curl_off_t>(kReadSize) && blocks > 0) {
                client.Post(progress,
                            static_cast<int>(std::min<int64_t>(100, 10 + 90 * reads / blocks)));
            }
            return true;
        }
    } sink{*this, transfer, progress, targetPath, {}, {}, 0, -1, maxDownloadBytes_.load(), 0};

    using WriteFn = size_t (*)(char*, size_t, size_t, void*);
    const WriteFn write = [](char* data, size_t one, size_t count, void* target) -> size_t {
        auto& s = *static_cast<Sink*>(target);
        const size_t size = one * count;
        if ((!s.file.IsOpen() && !s.Open()) || !s.Receive(size)) {
            return CURL_WRITEFUNC_ERROR;
        }
        s.pending.insert(s.pending.end(), data, data + size);
        while (s.pending.size() >= kReadSize) {
            if (!s.Flush(kReadSize)) {
                return CURL_WRITEFUNC_ERROR;
            }
        }
        if (!s.client.ShouldContinue()) {
            s.transfer.stopped = true;
            return CURL_WRITEFUNC_ERROR;
        }
        return size;
    };
    curl_easy_setopt(transfer.curl.get(), CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(transfer.curl.get(), CURLOPT_WRITEDATA, &sink);
    const CURLcode code = curl_easy_perform(transfer.curl.get());

    bool complete = code == CURLE_OK;
    // An empty answer never reached the body callback.
    if (complete && !sink.file.IsOpen()) {
        complete = sink.Open();
    }
    if (complete && !sink.pending.empty()) {
        complete = sink.Flush(sink.pending.size());
    }
    if (complete && !sink.file.Close()) {
        transfer.failure = ErrnoText("write", targetPath);
        complete = false;
    }
    if (complete) {
        Post(progress, 100);
        return kOk;
    }
    sink.file.Close();
    unlink(targetPath.c_str());
    return Failed(transfer, code);
}

}  // namespace zanvor
