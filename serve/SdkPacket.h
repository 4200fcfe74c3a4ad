#pragma once

// Framing of the lighting SDK protocol other RGB programs speak over TCP: every packet is a
// 16-byte header ("ORGB", device index, packet id, data length; little-endian) and its data.
// No sockets here: bytes in, packets out.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zanvor {

inline constexpr size_t kSdkHeaderSize = 16;
// Largest data a peer may announce; a header claiming more is refused before anything is read.
inline constexpr uint32_t kSdkMaxData = 1024 * 1024;
// Highest protocol version this server speaks.
inline constexpr uint32_t kSdkProtocolVersion = 4;
// The first protocol version with the profile requests.
inline constexpr uint32_t kSdkProfileVersion = 2;
inline constexpr uint16_t kSdkDefaultPort = 6742;

// Packet ids.
enum SdkPacketId : uint32_t {
    kSdkRequestControllerCount = 0,
    kSdkRequestControllerData = 1,
    kSdkRequestProtocolVersion = 40,
    kSdkSetClientName = 50,
    kSdkDeviceListUpdated = 100,
    kSdkRequestProfileList = 150,
    kSdkRequestSaveProfile = 151,
    kSdkRequestLoadProfile = 152,
    kSdkRequestDeleteProfile = 153,
    kSdkResizeZone = 1000,
    kSdkUpdateLeds = 1050,
    kSdkUpdateZoneLeds = 1051,
    kSdkUpdateSingleLed = 1052,
    kSdkSetCustomMode = 1100,
    kSdkUpdateMode = 1101,
    kSdkSaveMode = 1102,
};

struct SdkHeader {
    uint32_t device = 0;
    uint32_t id = 0;
    uint32_t length = 0;
};

struct SdkPacket {
    SdkHeader header;
    std::vector<uint8_t> data;
};

// Reads a header; nothing when the magic is wrong or the announced data exceeds kSdkMaxData.
std::optional<SdkHeader> ParseSdkHeader(std::span<const uint8_t, kSdkHeaderSize> bytes);

// Header and data of one packet, ready to send.
std::vector<uint8_t> SerializeSdkPacket(uint32_t device, uint32_t id,
                                        std::span<const uint8_t> data);

// Cuts a byte stream into packets. Once the stream is broken (wrong magic, a length over the
// limit) it stays broken: the connection has lost its framing and must be closed.
class SdkPacketParser {
  public:
    enum class Status { NeedMore, Packet, Broken };

    // Appends received bytes.
    void Feed(std::span<const uint8_t> bytes);
    // Takes the next complete packet from what was fed.
    Status Next(SdkPacket& packet);
    // Bytes held that do not yet form a packet (a half-sent packet).
    size_t Pending() const { return buffer_.size() - start_; }
    bool Broken() const { return broken_; }

  private:
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;  // where the unread bytes begin
    bool broken_ = false;
};

// Bounded little-endian reading of a packet's data: every read checks what is left, and one
// failed read makes the reader fail for good, so a decoder checks once at the end.
class SdkReader {
  public:
    explicit SdkReader(std::span<const uint8_t> data) : data_(data) {}
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint16_t U16();
    // A length-prefixed, NUL-terminated text: u16 length (terminator included), the bytes.
    std::string Text();
    bool Ok() const { return ok_; }
    size_t Left() const { return ok_ ? data_.size() - pos_ : 0; }
    // All data read and no read failed.
    bool Done() const { return ok_ && pos_ == data_.size(); }

  private:
    bool Take(size_t n);
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian writing of a packet's data.
class SdkWriter {
  public:
    void U32(uint32_t v);
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U16(uint16_t v);
    // u16 length including the terminator, the bytes, the terminator. Text longer than the
    // length field can say is cut.
    void Text(std::string_view text);
    // Overwrites four bytes written earlier (a size known only at the end).
    void PatchU32(size_t at, uint32_t v);
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

// The text of a packet that carries only a string (client name, profile name), NUL-terminated
// as the protocol says; a client that leaves the terminator out is taken as well. Nothing when
// the text is empty or holds a NUL before its end.
std::optional<std::string> DecodeSdkString(std::span<const uint8_t> data);

}  // namespace zanvor
