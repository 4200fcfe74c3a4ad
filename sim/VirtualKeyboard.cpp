#include "sim/VirtualKeyboard.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "platform/FileRead.h"
#include "platform/FileWrite.h"
#include "platform/Paths.h"

namespace zanvor {

namespace {

constexpr size_t kHeaderLength = 8;
constexpr size_t kMaxChunk = 56;
// Blocks that the keyboard computes on request (device information, battery, knob indices) are
// as long as the largest chunk, so a single full-size read of them is always inside the block.
constexpr size_t kSmallBlock = 56;

// Factory functions of the knob actions: volume down, volume up, mute.
constexpr std::array<std::array<uint8_t, 3>, 3> kKnobFactory = {
    {{0x30, 0xEA, 0x00}, {0x30, 0xE9, 0x00}, {0x30, 0xE2, 0x00}}};

// Factory sleep time in seconds and key response value.
constexpr int kFactorySleepSeconds = 120;
constexpr uint8_t kFactoryKeyResponse = 8;

// Version of the saved state document; a file of another version gives factory state.
constexpr int kStateVersion = 1;

size_t PayloadLengthFor(int reportLength) {
    // A report carries the 8-byte header and at least one byte; never more than 64 bytes.
    return static_cast<size_t>(std::clamp(reportLength - 1, 9, 64));
}

void PutGroup(uint8_t* group, uint8_t maxBrightness, uint8_t maxSpeed) {
    group[0] = 0x00;
    group[1] = 1;  // mode 1
    group[2] = maxBrightness;
    group[3] = static_cast<uint8_t>(maxSpeed - 3);  // speed slider at 3
    group[4] = 1;                                   // multi-colour
    group[5] = 0;
    group[6] = 0xFF;  // red
    group[7] = 0x00;
    group[8] = 0x00;
}

// The LEDs of the keys, placed by the keys' centres scaled to 0..1 across the keyboard.
std::vector<LedSpot> BuildLedSpots(const VirtualKeyboardModel& model) {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    bool first = true;
    for (const SimKey& key : model.keys) {
        left = first ? key.x : std::min(left, key.x);
        right = first ? key.x : std::max(right, key.x);
        top = first ? key.y : std::min(top, key.y);
        bottom = first ? key.y : std::max(bottom, key.y);
        first = false;
    }
    const double width = std::max(1, right - left);
    const double height = std::max(1, bottom - top);
    std::vector<LedSpot> spots;
    for (const SimKey& key : model.keys) {
        if (key.light_index >= 0 && key.light_index < 128) {
            spots.push_back({key.light_index, (key.x - left) / width, (key.y - top) / height});
        }
    }
    return spots;
}

std::array<std::array<uint8_t, 384>, 4> BuildDefaultTables(const VirtualKeyboardModel& model,
                                                           const std::array<int, 3>& knob) {
    std::array<uint8_t, 384> table{};
    for (const SimKey& key : model.keys) {
        std::array<uint8_t, 3> code;
        if (key.key_index < 0 || key.key_index >= 128 || !FactoryActionCode(key.usage, code)) {
            continue;
        }
        std::copy(code.begin(), code.end(), table.begin() + 3 * key.key_index);
    }
    for (size_t action = 0; action < knob.size(); ++action) {
        if (knob[action] >= 0) {
            std::copy(kKnobFactory[action].begin(), kKnobFactory[action].end(),
                      table.begin() + 3 * knob[action]);
        }
    }
    // Every layer starts with the same functions as layer 0.
    return {table, table, table, table};
}

std::string ToHex(const uint8_t* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        text.push_back(digits[data[i] >> 4]);
        text.push_back(digits[data[i] & 0x0F]);
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool FromHex(const std::string& text, uint8_t* out, size_t size) {
    if (text.size() != size * 2) {
        return false;
    }
    for (size_t i = 0; i < size; ++i) {
        int high = HexDigit(text[2 * i]);
        int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace

std::vector<uint8_t> MakeRefusal(const uint8_t* request, size_t length, size_t payloadLength) {
    std::vector<uint8_t> response(payloadLength, 0);
    response[0] = 0xAA;
    for (size_t i = 1; i < 5 && i < length && i < payloadLength; ++i) {
        response[i] = request[i];
    }
    if (payloadLength > 7) {
        response[7] = kSimStatusRefused;
    }
    return response;
}

VirtualKeyboard::VirtualKeyboard(VirtualKeyboardModel model)
    : model_(std::move(model)),
      payload_length_(PayloadLengthFor(model_.report_length)),
      led_map_(FactoryLedMap(model_)),
      led_spots_(BuildLedSpots(model_)),
      knob_indices_(KnobIndices(model_)),
      default_tables_(BuildDefaultTables(model_, knob_indices_)) {
    macro_block_.assign(static_cast<size_t>(model_.macro_capacity_units) * 256, 0);
    battery_level_ = model_.has_battery ? 100 : 0;
    ResetLocked();
    dirty_ = false;
}

void VirtualKeyboard::ResetLocked() {
    parameter_block_.fill(0);
    PutGroup(&parameter_block_[1], model_.main_max_brightness, model_.main_max_speed);
    PutGroup(&parameter_block_[11], model_.zone2_max_brightness, model_.zone2_max_speed);
    PutGroup(&parameter_block_[20], model_.zone1_max_brightness, model_.zone1_max_speed);
    // Settings: game mode, Mac mode, Windows lock, WASD swap, key response, sleep seconds.
    size_t settings = 29;
    size_t sleep = 35;
    if (model_.lighting_protocol_version >= 2) {
        PutGroup(&parameter_block_[29], model_.matrix_max_brightness, model_.matrix_max_speed);
        settings = 38;
        sleep = 46;
    }
    parameter_block_[settings + 4] = kFactoryKeyResponse;
    parameter_block_[sleep] = kFactorySleepSeconds & 0xFF;
    parameter_block_[sleep + 1] = (kFactorySleepSeconds >> 8) & 0xFF;
    parameter_block_[sleep + 2] = (kFactorySleepSeconds >> 16) & 0xFF;

    current_tables_ = default_tables_;
    for (auto& set : custom_sets_) {
        set.fill(0);
    }
    std::fill(macro_block_.begin(), macro_block_.end(), 0);
    matrix_colours_.fill(0);
    matrix_frame_.fill(0);
    effect_frame_.fill(0);
    effect_showing_ = false;
    live_mode_ = false;
    dirty_ = true;
}

void VirtualKeyboard::ResetToFactory() {
    std::lock_guard lock(mutex_);
    ResetLocked();
}

void VirtualKeyboard::BuildDeviceInfo(uint8_t* out) const {
    std::fill(out, out + kSmallBlock, 0);
    const bool v2 = model_.lighting_protocol_version >= 2;
    out[2] = model_.KeyboardVendorId() & 0xFF;
    out[3] = model_.KeyboardVendorId() >> 8;
    out[4] = model_.KeyboardProductId() & 0xFF;
    out[5] = model_.KeyboardProductId() >> 8;
    out[6] = model_.firmware_version & 0xFF;
    out[7] = model_.firmware_version >> 8;
    out[8] = model_.lighting_protocol_version;
    out[13] = model_.macro_capacity_units;
    out[16] = model_.main_max_brightness;
    out[17] = model_.main_max_speed;
    if (model_.has_zone2) {
        out[19] = 1;
        out[v2 ? 22 : 21] = model_.zone2_max_brightness;
        out[v2 ? 23 : 22] = model_.zone2_max_speed;
    }
    if (model_.has_zone1) {
        out[25] = 1;
        out[v2 ? 28 : 27] = model_.zone1_max_brightness;
        out[v2 ? 29 : 28] = model_.zone1_max_speed;
    }
    if (v2) {
        if (model_.has_matrix_screen) {
            out[31] = 1;
            out[35] = model_.matrix_max_brightness;
            out[36] = model_.matrix_max_speed;
        }
        out[37] = model_.has_knob ? 1 : 0;
    }
}

void VirtualKeyboard::BuildLiveColours(uint8_t* out) const {
    std::fill(out, out + 384, 0);
    if (effect_showing_) {
        std::copy(effect_frame_.begin(), effect_frame_.begin() + 384, out);
        return;
    }
    const uint8_t mode = parameter_block_[2];
    if (mode == 0xFD) {
        const uint8_t set = parameter_block_[10];
        if (set < custom_sets_.size()) {
            std::copy(custom_sets_[set].begin(), custom_sets_[set].end(), out);
        }
        return;
    }
    // A built-in effect, drawn as it looks at this moment.
    LightGroup group;
    group.mode = mode;
    group.brightness = parameter_block_[3];
    group.speedByte = parameter_block_[4];
    group.colorful = parameter_block_[5] != 0;
    group.red = parameter_block_[7];
    group.green = parameter_block_[8];
    group.blue = parameter_block_[9];
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    std::array<uint8_t, 384> colours;
    DrawLightEffect(group, model_.main_max_brightness, led_spots_, seconds, colours);
    std::copy(colours.begin(), colours.end(), out);
}

bool VirtualKeyboard::FindBlock(uint8_t command, Block& block) {
    block = Block{};
    switch (command) {
        case 0x12:
            BuildDeviceInfo(scratch_.data());
            block = {scratch_.data(), kSmallBlock, false};
            return true;
        case 0x14:
            block = {parameter_block_.data(), parameter_block_.size(), false};
            return true;
        case 0x15:
            block = {parameter_block_.data(), parameter_block_.size(), true};
            return true;
        case 0x16:
        case 0x17:
        case 0x18:
        case 0x19:
            block = {default_tables_[command - 0x16].data(), 384, false};
            return true;
        case 0x1A:
        case 0x1C:
        case 0x1E:
        case 0x20:
            block = {current_tables_[(command - 0x1A) / 2].data(), 384, false};
            return true;
        case 0x1B:
        case 0x1D:
        case 0x1F:
        case 0x21:
            block = {current_tables_[(command - 0x1B) / 2].data(), 384, true};
            return true;
        case 0x22:
        case 0x24:
        case 0x26:
        case 0x28:
        case 0x2A:
            block = {custom_sets_[(command - 0x22) / 2].data(), 384, false};
            return true;
        case 0x23:
        case 0x25:
        case 0x27:
        case 0x29:
        case 0x2B:
            block = {custom_sets_[(command - 0x23) / 2].data(), 384, true};
            return true;
        case 0x2D:
            block = {macro_block_.data(), macro_block_.size(), true};
            return true;
        case 0x2E:
            block = {effect_frame_.data(), effect_frame_.size(), true};
            return true;
        case 0x30:
            std::fill(scratch_.begin(), scratch_.end(), 0);
            scratch_[0] = static_cast<uint8_t>(std::clamp(battery_level_, 0, 100));
            scratch_[1] = charging_ ? 1 : 0;
            block = {scratch_.data(), kSmallBlock, false};
            return true;
        case 0x32:
            std::copy(led_map_.begin(), led_map_.end(), scratch_.begin());
            block = {scratch_.data(), led_map_.size(), false};
            return true;
        case 0x34:
        case 0x36:
            BuildLiveColours(scratch_.data());
            block = {scratch_.data(), 384, false};
            return true;
        case 0x3A:
            if (!model_.has_matrix_screen) {
                return false;
            }
            block = {matrix_colours_.data(), matrix_colours_.size(), false};
            return true;
        case 0x3B:
            if (!model_.has_matrix_screen) {
                return false;
            }
            block = {matrix_colours_.data(), matrix_colours_.size(), true};
            return true;
        case 0x3C:
            if (!model_.has_matrix_screen) {
                return false;
            }
            block = {matrix_frame_.data(), matrix_frame_.size(), true};
            return true;
        case 0x3E:
            if (!model_.has_knob) {
                return false;
            }
            std::fill(scratch_.begin(), scratch_.end(), 0);
            for (size_t action = 0; action < knob_indices_.size(); ++action) {
                scratch_[action] = static_cast<uint8_t>(knob_indices_[action]);
            }
            block = {scratch_.data(), kSmallBlock, false};
            return true;
        default:
            return false;
    }
}

bool VirtualKeyboard::Process(const uint8_t* request, size_t length,
                              std::vector<uint8_t>& response) {
    if (request == nullptr || length < kHeaderLength || request[0] != 0xAA) {
        return false;
    }
    const uint8_t command = request[1];
    const size_t offset = request[2] | (request[3] << 8);
    const size_t count = request[4];

    std::lock_guard lock(mutex_);
    response = MakeRefusal(request, length, payload_length_);
    uint8_t* data = response.data() + kHeaderLength;
    const size_t room = payload_length_ - kHeaderLength;

    switch (command) {
        case 0x10: {  // begin: answers with the keyboard's vendor and product ID
            const uint16_t vid = model_.KeyboardVendorId();
            const uint16_t pid = model_.KeyboardProductId();
            const uint8_t ids[] = {0x00, static_cast<uint8_t>(vid & 0xFF),
                                   static_cast<uint8_t>(vid >> 8), static_cast<uint8_t>(pid & 0xFF),
                                   static_cast<uint8_t>(pid >> 8)};
            std::copy(ids, ids + std::min(sizeof ids, room), data);
            ++begin_count_;
            response[7] = kSimStatusAccepted;
            return true;
        }
        case 0x11:
            ++end_count_;
            if (effect_frame_length_ > 0) {
                // The end of a job that streamed an effect frame: the frame is complete.
                ++effect_frames_completed_;
                last_effect_frame_.assign(effect_frame_.begin(),
                                          effect_frame_.begin() + effect_frame_length_);
                effect_frame_length_ = 0;
                NoteFrameTime(effect_frame_times_);
            }
            response[7] = kSimStatusAccepted;
            return true;
        case 0x31:
            ResetLocked();
            response[7] = kSimStatusAccepted;
            return true;
        case 0x2F:
            live_mode_ = true;
            response[7] = kSimStatusAccepted;
            return true;
        case 0x3D:
            if (model_.has_matrix_screen) {
                response[7] = kSimStatusAccepted;
            }
            return true;
        default:
            break;
    }

    Block block;
    if (!FindBlock(command, block)) {
        return true;  // unknown command (or one this model lacks): refused
    }
    // A chunk must lie inside the block, carry at most one chunk of data, and for a write its
    // data must be inside the report that was written. Anything else is refused untouched.
    if (count > kMaxChunk || offset + count > block.size) {
        return true;
    }
    if (block.writable) {
        if (count > length - kHeaderLength) {
            return true;
        }
        std::copy(request + kHeaderLength, request + kHeaderLength + count, block.data + offset);
        switch (command) {
            case 0x2E:
                ++effect_frames_;
                effect_showing_ = true;
                effect_frame_length_ = std::max(effect_frame_length_, offset + count);
                break;
            case 0x3C:
                ++matrix_frames_;
                if (offset + count == matrix_frame_.size()) {
                    // The last chunk: the bar shows the whole frame.
                    ++matrix_frames_completed_;
                    NoteFrameTime(matrix_frame_times_);
                }
                break;
            case 0x15:
                effect_showing_ = false;  // a built-in effect replaces the streamed one
                dirty_ = true;
                break;
            default:
                dirty_ = true;
                break;
        }
    }
    std::copy(block.data + offset, block.data + offset + std::min(count, room), data);
    response[7] = kSimStatusAccepted;
    return true;
}

void VirtualKeyboard::SetBattery(int level, bool charging) {
    std::lock_guard lock(mutex_);
    battery_level_ = level;
    charging_ = charging;
}

int VirtualKeyboard::BatteryLevel() const {
    std::lock_guard lock(mutex_);
    return battery_level_;
}

bool VirtualKeyboard::Charging() const {
    std::lock_guard lock(mutex_);
    return charging_;
}

std::vector<uint8_t> VirtualKeyboard::BlockData(uint8_t command) const {
    std::lock_guard lock(mutex_);
    // FindBlock changes nothing but the mutable scratch_ (computed blocks), so the protocol and
    // the inspection share one table of commands.
    Block block;
    if (!const_cast<VirtualKeyboard*>(this)->FindBlock(command, block)) {
        return {};
    }
    return std::vector<uint8_t>(block.data, block.data + block.size);
}

int VirtualKeyboard::BeginCount() const {
    std::lock_guard lock(mutex_);
    return begin_count_;
}

int VirtualKeyboard::EndCount() const {
    std::lock_guard lock(mutex_);
    return end_count_;
}

bool VirtualKeyboard::LiveMode() const {
    std::lock_guard lock(mutex_);
    return live_mode_;
}

int VirtualKeyboard::EffectFramesCompleted() const {
    std::lock_guard lock(mutex_);
    return effect_frames_completed_;
}

std::vector<uint8_t> VirtualKeyboard::LastEffectFrame() const {
    std::lock_guard lock(mutex_);
    return last_effect_frame_;
}

std::vector<int64_t> VirtualKeyboard::EffectFrameTimesUs() const {
    std::lock_guard lock(mutex_);
    return effect_frame_times_;
}

int VirtualKeyboard::EffectFrameCount() const {
    std::lock_guard lock(mutex_);
    return effect_frames_;
}

int VirtualKeyboard::MatrixFrameCount() const {
    std::lock_guard lock(mutex_);
    return matrix_frames_;
}

int VirtualKeyboard::MatrixFramesCompleted() const {
    std::lock_guard lock(mutex_);
    return matrix_frames_completed_;
}

std::vector<int64_t> VirtualKeyboard::MatrixFrameTimesUs() const {
    std::lock_guard lock(mutex_);
    return matrix_frame_times_;
}

void VirtualKeyboard::NoteFrameTime(std::vector<int64_t>& times) {
    constexpr size_t kKeptTimes = 4096;
    if (times.size() == kKeptTimes) {
        times.erase(times.begin());
    }
    times.push_back(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

bool VirtualKeyboard::Dirty() const {
    std::lock_guard lock(mutex_);
    return dirty_;
}

void VirtualKeyboard::ClearDirty() {
    std::lock_guard lock(mutex_);
    dirty_ = false;
}

namespace {

// Writes the whole text to a temporary file beside `path` and renames it over `path`, so a
// reader sees either the old or the new file, never a torn one; something other than a
// regular file at `path` is left alone.
bool WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::filesystem::path target(path);
    if (target.has_parent_path() && !CreateFolders(target.parent_path().string() + "/")) {
        return false;
    }
    std::string error;
    return WriteRegularFile(path, text, error);
}

// A state file holds a few kilobytes; anything far larger is not one.
constexpr size_t kMaxStateBytes = size_t{4} << 20;

bool ReadHexField(const nlohmann::json& value, uint8_t* out, size_t size) {
    return value.is_string() && FromHex(value.get<std::string>(), out, size);
}

}  // namespace

std::string VirtualKeyboard::StateDocumentLocked() const {
    nlohmann::json document;
    document["version"] = kStateVersion;
    document["device_type"] = model_.device_type;
    document["parameter_block"] = ToHex(parameter_block_.data(), parameter_block_.size());
    auto& tables = document["key_tables"] = nlohmann::json::array();
    for (const auto& table : current_tables_) {
        tables.push_back(ToHex(table.data(), table.size()));
    }
    auto& sets = document["custom_sets"] = nlohmann::json::array();
    for (const auto& set : custom_sets_) {
        sets.push_back(ToHex(set.data(), set.size()));
    }
    document["macro_block"] = ToHex(macro_block_.data(), macro_block_.size());
    document["matrix_colours"] = ToHex(matrix_colours_.data(), matrix_colours_.size());
    return document.dump(2) + "\n";
}

bool VirtualKeyboard::SaveState(const std::string& path) const {
    std::string text;
    {
        std::lock_guard lock(mutex_);
        text = StateDocumentLocked();
    }
    return WriteFileAtomically(path, text);
}

bool VirtualKeyboard::SaveStateIfDirty(const std::string& path) {
    std::string text;
    {
        std::lock_guard lock(mutex_);
        if (!dirty_) {
            return true;
        }
        text = StateDocumentLocked();
        dirty_ = false;
    }
    if (WriteFileAtomically(path, text)) {
        return true;
    }
    std::lock_guard lock(mutex_);
    dirty_ = true;
    return false;
}

bool VirtualKeyboard::LoadState(const std::string& path) {
    std::string text;
    if (ReadRegularFile(path, kMaxStateBytes, text) != FileReadResult::kOk) {
        return false;
    }
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        return false;
    }
    auto field = [&](const char* name) -> const nlohmann::json* {
        auto it = document.find(name);
        return it == document.end() ? nullptr : &*it;
    };
    const nlohmann::json* version = field("version");
    const nlohmann::json* type = field("device_type");
    const nlohmann::json* parameters = field("parameter_block");
    const nlohmann::json* tables = field("key_tables");
    const nlohmann::json* sets = field("custom_sets");
    const nlohmann::json* macros = field("macro_block");
    const nlohmann::json* matrix = field("matrix_colours");
    if (version == nullptr || !version->is_number_integer() ||
        version->get<int64_t>() != kStateVersion || type == nullptr || !type->is_number_integer() ||
        type->get<int64_t>() != model_.device_type || parameters == nullptr || tables == nullptr ||
        !tables->is_array() || tables->size() != current_tables_.size() || sets == nullptr ||
        !sets->is_array() || sets->size() != custom_sets_.size() || macros == nullptr ||
        matrix == nullptr) {
        return false;
    }
    // Decode everything first; the keyboard changes only when the whole document is sound.
    std::array<uint8_t, 64> newParameters{};
    std::array<std::array<uint8_t, 384>, 4> newTables{};
    std::array<std::array<uint8_t, 384>, 5> newSets{};
    std::vector<uint8_t> newMacros(macro_block_.size());
    std::array<uint8_t, 147> newMatrix{};
    bool ok = ReadHexField(*parameters, newParameters.data(), newParameters.size()) &&
              ReadHexField(*macros, newMacros.data(), newMacros.size()) &&
              ReadHexField(*matrix, newMatrix.data(), newMatrix.size());
    for (size_t i = 0; ok && i < newTables.size(); ++i) {
        ok = ReadHexField((*tables)[i], newTables[i].data(), newTables[i].size());
    }
    for (size_t i = 0; ok && i < newSets.size(); ++i) {
        ok = ReadHexField((*sets)[i], newSets[i].data(), newSets[i].size());
    }
    if (!ok) {
        return false;
    }
    std::lock_guard lock(mutex_);
    parameter_block_ = newParameters;
    current_tables_ = newTables;
    custom_sets_ = newSets;
    macro_block_ = std::move(newMacros);
    matrix_colours_ = newMatrix;
    dirty_ = false;
    return true;
}

}  // namespace zanvor
