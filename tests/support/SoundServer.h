#pragma once

// A private PulseAudio server for tests that capture real sound: started on a socket in a
// test's folder with a null sink named "first", played into with paplay, killed and started
// again at will. Tests skip when it cannot start (no pulseaudio installed).

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zanvor::test {

// Waits for an exact condition, checking every 20 ms, for at most `timeout`.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Runs a program with its output discarded; returns its pid, 0 when it could not start.
pid_t SpawnQuiet(const std::vector<std::string>& args);
// Runs a program to its end; true when it exits with 0.
bool RunQuiet(const std::vector<std::string>& args);

// A 16-bit stereo 48 kHz WAV file of a sine at 0.4 of full scale.
void WriteSineWav(const std::string& path, double hz, double seconds);

class PrivateSoundServer {
  public:
    // The server's socket lives in `folder` (no trailing slash).
    explicit PrivateSoundServer(const std::string& folder);
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the server and waits until it answers; false when it does not.
    bool Start();
    void Kill();
    // pactl with these arguments against the server; true on exit status 0.
    bool Pactl(const std::vector<std::string>& args) const;
    // Plays a file into a sink in the background; JoinPlayer waits for it.
    void Play(const std::string& sink, const std::string& file);
    void JoinPlayer();
    // "unix:<socket>", the value of PULSE_SERVER that reaches it.
    std::string Address() const { return "unix:" + socket_; }

  private:
    std::string socket_;
    pid_t pid_ = 0;
    pid_t player_ = 0;
};

// Points PULSE_SERVER at an address while it lives and puts the old value back.
class PulseServerVariable {
  public:
    explicit PulseServerVariable(const std::string& address);
    ~PulseServerVariable();
    PulseServerVariable(const PulseServerVariable&) = delete;
    PulseServerVariable& operator=(const PulseServerVariable&) = delete;

  private:
    bool had_ = false;
    std::string old_;
};

}  // namespace zanvor::test
