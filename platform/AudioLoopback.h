#pragma once

// Capture of what the computer plays: the sound server's monitor of a playback device (or any
// recording device the user picks), delivered as packets of interleaved 32-bit float frames.
// The implementation connects in the background, follows the default playback device while no
// device is picked, and reconnects with a growing pause when the sound server goes away.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace zanvor {

// A playback device (sink) or recording device (source) of the sound server.
struct AudioDevice {
    std::string name;         // the server's name, what a choice is stored as
    std::string description;  // what users read
    bool sink = false;        // playback device: captured through its monitor
    bool monitor = false;     // a source that is some sink's monitor
    bool isDefault = false;   // the default sink (or source)
};

// What is being captured now.
struct CaptureStatus {
    bool serverConnected = false;
    bool capturing = false;   // a stream is open and running
    std::string device;       // name of the captured sink or source
    std::string description;  // its description
    bool followsDefault = true;
    std::string error;  // why nothing is captured ("" when capturing)
};

class AudioLoopback {
  public:
    virtual ~AudioLoopback() = default;

    // Starts capturing `device` (a sink or source name; "" follows the default sink) and
    // returns at once; connecting and reconnecting happen in the background.
    virtual void Start(const std::string& device) = 0;
    // Captures another device ("" follows the default sink again).
    virtual void SelectDevice(const std::string& device) = 0;
    virtual void Stop() = 0;

    // Takes the oldest captured packet: frames of Channels() floats. Returns its frame count,
    // 0 when nothing is waiting.
    virtual size_t ReadPacket(std::vector<float>& frames) = 0;
    virtual int SampleRate() const = 0;
    virtual int Channels() const = 0;

    virtual CaptureStatus Status() const = 0;
    // The server's sinks and sources; false when no server answers (a client not started yet
    // waits up to a second for it, a running one does not wait).
    virtual bool ListDevices(std::vector<AudioDevice>& devices) = 0;
};

// The PulseAudio client (also serves PipeWire through its PulseAudio server).
std::unique_ptr<AudioLoopback> CreatePulseLoopback(const std::string& clientName);

}  // namespace zanvor
