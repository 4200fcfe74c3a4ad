#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidBackend.h"
#include "ui/MDialog.h"

namespace zanvor::test {

using Report = std::vector<uint8_t>;

// The device side of one fake HID interface. It records every report written (report ID
// first) and every read's time-out, and answers each write from a script, then from a
// responder. Reads return queued input reports at once, or 0 (time-out) when none is queued.
class FakeHidInterface {
  public:
    // The input reports (without report ID) that answer one written report; empty = no answer.
    using Responder = std::function<std::vector<Report>(const Report& written)>;

    explicit FakeHidInterface(int outputReportLength = 65, int inputReportLength = 65);

    // Answers for the next writes, one entry per write, used before the responder.
    void Script(std::vector<std::vector<Report>> answersPerWrite);
    void SetResponder(Responder responder);
    // An unsolicited input report (a link frame, a stale answer).
    void QueueInput(Report report);
    void SetWriteFails(bool fails);

    std::vector<Report> Writes() const;
    std::vector<int> ReadTimeouts() const;
    void ClearLog();
    int OpenHandles() const;

    int OutputReportLength() const { return outputLength_; }
    int InputReportLength() const { return inputLength_; }

    // Device-side operations used by the fake handle.
    int Write(const uint8_t* data, size_t length);
    int Read(uint8_t* data, size_t length, int timeoutMs);
    void HandleOpened(int delta);

    // ---- answers ----
    // The keyboard's answer to `written`: header, echoed command, offset and length, the
    // status, and the written data echoed from byte 8.
    Report Answer(const Report& written, uint8_t status = 0x55) const;
    // Every write answered with Answer(written, status).
    static Responder Echo(const FakeHidInterface& self, uint8_t status = 0x55);
    // A link notification frame: vendor, product (little-endian) and link state.
    Report LinkFrame(uint16_t vendorId, uint16_t productId, uint8_t state) const;

  private:
    const int outputLength_;
    const int inputLength_;
    mutable std::mutex mutex_;  // guards every member below
    std::deque<std::vector<Report>> script_;
    Responder responder_;
    std::deque<Report> input_;
    std::vector<Report> writes_;
    std::vector<int> readTimeouts_;
    bool writeFails_ = false;
    int openHandles_ = 0;
};

// A HID backend made of fake interfaces, in the order added.
class FakeHidBackend : public HidBackend {
  public:
    // Adds an interface; `device` may be null for one that is enumerated but cannot be opened.
    void Add(const HidInterfaceInfo& info, std::shared_ptr<FakeHidInterface> device);
    void Remove(const std::string& path);

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override;

  private:
    struct Entry {
        HidInterfaceInfo info;
        std::shared_ptr<FakeHidInterface> device;
    };
    mutable std::mutex mutex_;  // guards entries_
    std::vector<Entry> entries_;
};

// A backend that fails the running test when it is used: for tests that must never reach
// real hardware.
class FailingHidBackend : public HidBackend {
  public:
    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    bool QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) override;
};

// The keyboard's command interface (usage page 0xFF60, usage 0x61) at `path`.
HidInterfaceInfo VendorInterface(const std::string& path, uint16_t vendorId, uint16_t productId,
                                 const std::string& product = "");

// A window that keeps the messages it is sent, in order.
class RecordingWindow : public MWindow {
  public:
    void OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        received.push_back(Message{id, wParam, lParam});
    }
    // Pumps and returns everything received so far.
    std::vector<Message> Take() {
        PumpMessages();
        std::vector<Message> out;
        out.swap(received);
        return out;
    }
    std::vector<Message> received;
};

}  // namespace zanvor::test
