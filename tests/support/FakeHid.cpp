#include "FakeHid.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace zanvor::test {

namespace {

class FakeHidHandle : public HidDevice {
  public:
    explicit FakeHidHandle(std::shared_ptr<FakeHidInterface> device) : device_(std::move(device)) {
        device_->HandleOpened(+1);
    }
    ~FakeHidHandle() override { device_->HandleOpened(-1); }
    int Write(const uint8_t* data, size_t length) override { return device_->Write(data, length); }
    int ReadTimeout(uint8_t* data, size_t length, int timeoutMs) override {
        return device_->Read(data, length, timeoutMs);
    }
    int OutputReportLength() const override { return device_->OutputReportLength(); }
    int InputReportLength() const override { return device_->InputReportLength(); }

  private:
    std::shared_ptr<FakeHidInterface> device_;
};

}  // namespace

FakeHidInterface::FakeHidInterface(int outputReportLength, int inputReportLength)
    : outputLength_(outputReportLength), inputLength_(inputReportLength) {
    responder_ = Echo(*this);
}

void FakeHidInterface::Script(std::vector<std::vector<Report>> answersPerWrite) {
    std::lock_guard lock(mutex_);
    for (auto& answers : answersPerWrite) {
        script_.push_back(std::move(answers));
    }
}

void FakeHidInterface::SetResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void FakeHidInterface::QueueInput(Report report) {
    std::lock_guard lock(mutex_);
    input_.push_back(std::move(report));
}

void FakeHidInterface::SetWriteFails(bool fails) {
    std::lock_guard lock(mutex_);
    writeFails_ = fails;
}

std::vector<Report> FakeHidInterface::Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

std::vector<int> FakeHidInterface::ReadTimeouts() const {
    std::lock_guard lock(mutex_);
    return readTimeouts_;
}

void FakeHidInterface::ClearLog() {
    std::lock_guard lock(mutex_);
    writes_.clear();
    readTimeouts_.clear();
}

int FakeHidInterface::OpenHandles() const {
    std::lock_guard lock(mutex_);
    return openHandles_;
}

void FakeHidInterface::HandleOpened(int delta) {
    std::lock_guard lock(mutex_);
    openHandles_ += delta;
}

int FakeHidInterface::Write(const uint8_t* data, size_t length) {
    Report written(data, data + length);
    std::vector<Report> answers;
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        if (writeFails_) {
            return -1;
        }
        writes_.push_back(written);
        if (!script_.empty()) {
            answers = std::move(script_.front());
            script_.pop_front();
        } else {
            responder = responder_;
        }
    }
    if (responder) {
        answers = responder(written);  // outside the lock: responders may use this object
    }
    std::lock_guard lock(mutex_);
    for (Report& answer : answers) {
        input_.push_back(std::move(answer));
    }
    return static_cast<int>(length);
}

int FakeHidInterface::Read(uint8_t* data, size_t length, int timeoutMs) {
    std::lock_guard lock(mutex_);
    readTimeouts_.push_back(timeoutMs);
    if (input_.empty()) {
        return 0;
    }
    Report report = std::move(input_.front());
    input_.pop_front();
    const size_t count = std::min(length, report.size());
    std::copy_n(report.begin(), count, data);
    return static_cast<int>(count);
}

Report FakeHidInterface::Answer(const Report& written, uint8_t status) const {
    Report answer(static_cast<size_t>(std::max(inputLength_ - 1, 14)), 0);
    answer[0] = 0xAA;
    for (size_t i = 1; i <= 4 && i + 1 < written.size(); ++i) {
        answer[i] = written[i + 1];
    }
    answer[7] = status;
    for (size_t i = 8; i < answer.size() && i + 1 < written.size(); ++i) {
        answer[i] = written[i + 1];
    }
    return answer;
}

FakeHidInterface::Responder FakeHidInterface::Echo(const FakeHidInterface& self, uint8_t status) {
    return [&self, status](const Report& written) {
        return std::vector<Report>{self.Answer(written, status)};
    };
}

Report FakeHidInterface::LinkFrame(uint16_t vendorId, uint16_t productId, uint8_t state) const {
    Report frame(static_cast<size_t>(std::max(inputLength_ - 1, 14)), 0);
    frame[0] = 0xAA;
    frame[1] = 0xD0;
    frame[9] = static_cast<uint8_t>(vendorId & 0xFF);
    frame[10] = static_cast<uint8_t>(vendorId >> 8);
    frame[11] = static_cast<uint8_t>(productId & 0xFF);
    frame[12] = static_cast<uint8_t>(productId >> 8);
    frame[13] = state;
    return frame;
}

void FakeHidBackend::Add(const HidInterfaceInfo& info, std::shared_ptr<FakeHidInterface> device) {
    std::lock_guard lock(mutex_);
    entries_.push_back(Entry{info, std::move(device)});
}

void FakeHidBackend::Remove(const std::string& path) {
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, [&](const Entry& entry) { return entry.info.path == path; });
}

std::vector<HidInterfaceInfo> FakeHidBackend::Enumerate() {
    std::lock_guard lock(mutex_);
    std::vector<HidInterfaceInfo> infos;
    for (const Entry& entry : entries_) {
        infos.push_back(entry.info);
    }
    return infos;
}

std::unique_ptr<HidDevice> FakeHidBackend::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
        if (entry.info.path == path) {
            return entry.device ? std::make_unique<FakeHidHandle>(entry.device) : nullptr;
        }
    }
    return nullptr;
}

bool FakeHidBackend::QueryUsage(const std::string& path, uint16_t& usagePage, uint16_t& usage) {
    std::lock_guard lock(mutex_);
    for (const Entry& entry : entries_) {
        if (entry.info.path == path) {
            usagePage = entry.info.usage_page;
            usage = entry.info.usage;
            return true;
        }
    }
    return false;
}

std::vector<HidInterfaceInfo> FailingHidBackend::Enumerate() {
    ADD_FAILURE() << "the HID backend must not be used by this test";
    return {};
}

std::unique_ptr<HidDevice> FailingHidBackend::Open(const std::string& path) {
    ADD_FAILURE() << "the HID backend must not be used by this test (open " << path << ")";
    return nullptr;
}

bool FailingHidBackend::QueryUsage(const std::string& path, uint16_t&, uint16_t&) {
    ADD_FAILURE() << "the HID backend must not be used by this test (query " << path << ")";
    return false;
}

HidInterfaceInfo VendorInterface(const std::string& path, uint16_t vendorId, uint16_t productId,
                                 const std::string& product) {
    HidInterfaceInfo info;
    info.path = path;
    info.vendor_id = vendorId;
    info.product_id = productId;
    info.product_string = product;
    info.usage_page = 0xFF60;
    info.usage = 0x61;
    info.interface_number = 1;
    return info;
}

}  // namespace zanvor::test
