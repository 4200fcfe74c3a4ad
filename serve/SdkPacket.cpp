#include "serve/SdkPacket.h"

#include <algorithm>
#include <cstring>

namespace zanvor {

namespace {

constexpr uint8_t kMagic[4] = {'O', 'R', 'G', 'B'};

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void StoreU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

}  // namespace

std::optional<SdkHeader> ParseSdkHeader(std::span<const uint8_t, kSdkHeaderSize> bytes) {
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
        return std::nullopt;
    }
    SdkHeader header;
    header.device = LoadU32(bytes.data() + 4);
    header.id = LoadU32(bytes.data() + 8);
    header.length = LoadU32(bytes.data() + 12);
    if (header.length > kSdkMaxData) {
        return std::nullopt;
    }
    return header;
}

std::vector<uint8_t> SerializeSdkPacket(uint32_t device, uint32_t id,
                                        std::span<const uint8_t> data) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    out.reserve(kSdkHeaderSize + data.size());
    StoreU32(out, device);
    StoreU32(out, id);
    StoreU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

void SdkPacketParser::Feed(std::span<const uint8_t> bytes) {
    if (broken_) {
        return;
    }
    // Drop what was consumed before growing, so a long-lived connection keeps one packet's worth.
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 64 * 1024) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

SdkPacketParser::Status SdkPacketParser::Next(SdkPacket& packet) {
    if (broken_) {
        return Status::Broken;
    }
    if (Pending() < kSdkHeaderSize) {
        return Status::NeedMore;
    }
    const std::optional<SdkHeader> header = ParseSdkHeader(
        std::span<const uint8_t, kSdkHeaderSize>(buffer_.data() + start_, kSdkHeaderSize));
    if (!header) {
        broken_ = true;
        buffer_.clear();
        buffer_.shrink_to_fit();
        start_ = 0;
        return Status::Broken;
    }
    if (Pending() - kSdkHeaderSize < header->length) {
        return Status::NeedMore;
    }
    const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(start_ + kSdkHeaderSize);
    packet.header = *header;
    packet.data.assign(first, first + header->length);
    start_ += kSdkHeaderSize + header->length;
    return Status::Packet;
}

bool SdkReader::Take(size_t n) {
    if (!ok_ || data_.size() - pos_ < n) {
        ok_ = false;
        return false;
    }
    return true;
}

uint32_t SdkReader::U32() {
    if (!Take(4)) {
        return 0;
    }
    const uint32_t v = LoadU32(data_.data() + pos_);
    pos_ += 4;
    return v;
}

uint16_t SdkReader::U16() {
    if (!Take(2)) {
        return 0;
    }
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
}

std::string SdkReader::Text() {
    const uint16_t length = U16();
    if (!Take(length)) {
        return {};
    }
    const char* p = reinterpret_cast<const char*>(data_.data() + pos_);
    pos_ += length;
    // The length counts the terminator; text stops at the first NUL.
    return std::string(p, strnlen(p, length));
}

void SdkWriter::U32(uint32_t v) {
    StoreU32(bytes_, v);
}

void SdkWriter::U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v));
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void SdkWriter::Text(std::string_view text) {
    const size_t length = std::min<size_t>(text.size(), 0xFFFE);
    U16(static_cast<uint16_t>(length + 1));
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    bytes_.push_back(0);
}

void SdkWriter::PatchU32(size_t at, uint32_t v) {
    if (at + 4 > bytes_.size()) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        bytes_[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    }
}

std::optional<std::string> DecodeSdkString(std::span<const uint8_t> data) {
    if (!data.empty() && data.back() == 0) {
        data = data.first(data.size() - 1);
    }
    if (data.empty() || std::find(data.begin(), data.end(), uint8_t{0}) != data.end()) {
        return std::nullopt;
    }
    return std::string(data.begin(), data.end());
}

}  // namespace zanvor
