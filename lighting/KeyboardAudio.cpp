#include "lighting/KeyboardAudio.h"

#include "lighting/Visualizer.h"
#include "ui/AuroraEffect.h"

namespace zanvor {

KeyboardAudio::KeyboardAudio(std::unique_ptr<AudioLoopback> source)
    : source_(source != nullptr ? std::move(source) : CreatePulseLoopback("Zanvor HUB")) {}

KeyboardAudio::~KeyboardAudio() {
    StopCapture();
}

void KeyboardAudio::Use(User user, bool on) {
    std::lock_guard lock(useMutex_);
    const int before = users_;
    users_ = on ? (users_ | user) : (users_ & ~user);
    if (before == 0 && users_ != 0) {
        StartCapture(device_);
    } else if (before != 0 && users_ == 0) {
        StopCapture();
    }
}

void KeyboardAudio::SetDevice(const std::string& device) {
    std::lock_guard lock(useMutex_);
    device_ = device;
    if (running_.load()) {
        SelectDevice(device);
    }
}

void KeyboardAudio::StartCapture(const std::string& device) {
    if (running_.load()) {
        SelectDevice(device);
        return;
    }
    source_->Start(device);
    features_.SetFormat(source_->SampleRate(), source_->Channels());
    running_ = true;
    thread_ = std::thread([this] { ThreadLoop(); });
}

void KeyboardAudio::StopCapture() {
    {
        std::lock_guard lock(wakeMutex_);
        running_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    source_->Stop();
    features_.ResetLevels();
    std::lock_guard lock(linkMutex_);
    snapshot_ = features_.Features();
}

void KeyboardAudio::SelectDevice(const std::string& device) {
    source_->SelectDevice(device);
}

CaptureStatus KeyboardAudio::Status() const {
    return source_->Status();
}

bool KeyboardAudio::ListDevices(std::vector<AudioDevice>& devices) {
    return source_->ListDevices(devices);
}

void KeyboardAudio::SetWaveGain(float gain) {
    waveGain_ = gain;
}

void KeyboardAudio::SetAuroraEffect(AuroraEffect* effect) {
    std::lock_guard lock(linkMutex_);
    aurora_ = effect;
}

void KeyboardAudio::SetVisualizer(Visualizer* visualizer) {
    std::lock_guard lock(linkMutex_);
    visualizer_ = visualizer;
}

void KeyboardAudio::SetMatrixScreen(MatrixInput input) {
    std::lock_guard lock(linkMutex_);
    matrix_ = std::move(input);
}

AudioFeatureSnapshot KeyboardAudio::Snapshot() const {
    std::lock_guard lock(linkMutex_);
    return snapshot_;
}

void KeyboardAudio::ThreadLoop() {
    std::unique_lock lock(wakeMutex_);
    while (running_.load()) {
        lock.unlock();
        ReadPackets();
        lock.lock();
        wake_.wait_for(lock, std::chrono::milliseconds(kPollMs),
                       [this] { return !running_.load(); });
    }
}

void KeyboardAudio::ReadPackets() {
    features_.SetWaveGain(waveGain_.load());
    features_.BeginPoll();
    size_t frames;
    while ((frames = source_->ReadPacket(packet_)) > 0) {
        features_.AddPacket(packet_.data(), frames);
    }
    if (features_.EndPoll()) {
        emptyPolls_ = 0;
    } else {
        // Packets do not arrive in step with the polls: a poll or two without any is normal.
        if (++emptyPolls_ < kSilentAfterPolls) {
            return;
        }
        // Nothing arrived for a while (no server, an idle device): a poll's worth of silence
        // lets levels, bands and beats fall instead of freezing.
        const size_t pollFrames = static_cast<size_t>(features_.SampleRate()) * kPollMs / 1000;
        silence_.assign(pollFrames * features_.Channels(), 0.0f);
        features_.BeginPoll();
        features_.AddPacket(silence_.data(), pollFrames);
        features_.EndPoll();
    }
    Publish();
}

void KeyboardAudio::Publish() {
    const AudioFeatureSnapshot& f = features_.Features();
    std::lock_guard lock(linkMutex_);
    snapshot_ = f;
    if (matrix_) {
        matrix_(f.bands.data(), kLevelBands, 1.0f, f.wave.data(), kWaveLength);
    }
    if (aurora_ != nullptr) {
        const int percent = std::clamp(static_cast<int>(f.level * 100), 0, 100);
        aurora_->SetExternalAudioData(f.level, f.peakHold, f.average, percent, f.rms);
        aurora_->SetFFTSpectrum(f.bands32.data(), f.bands64.data());
        aurora_->SetBeatData(f.beat, f.beatStrength, f.tempo, f.low, f.mid, f.high);
    }
    if (visualizer_ != nullptr) {
        visualizer_->SetInput(f.wave.data(), kWaveLength);
    }
}

}  // namespace zanvor
