#pragma once

// The matrix screen picture: the 49 LEDs of the light bar with the colours they show. In the
// painted mode the user colours LEDs one by one; in the live presets the control computes an
// animation from its speed, colour and brightness and, for the audio presets, from the sound
// the capture hands it. The worker streams exactly the colours the picture shows.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ui/ControlModel.h"
#include "ui/MatrixPresets.h"

namespace zanvor {

// One LED of the bar: its place (0 left .. 48 right) and its colour (0x00BBGGRR).
struct MatrixItem {
    int index = 0;
    uint32_t color = 0;
};

class MatrixScreen : public ControlModel {
  public:
    enum Change {
        kChangeColors = 16,    // the LEDs' colours
        kChangeSettings = 17,  // preset, brightness, speed, amplitude or colour
    };
    // The user finished painting (a click, or a drag over several LEDs).
    static constexpr int kEventPainted = 1;

    explicit MatrixScreen(int controlId = 0);

    // ---- settings (UI thread, and the worker for a profile switch) ----
    // 0 built-in mode (a still preview of its colour), 1 the painted colours, else a live
    // preset of the preset list. Any other number shows the built-in preview.
    void SetPresetMode(int preset);
    int GetPresetMode() const;
    // 0..1 of the zone's maximum.
    void SetBrightness(float fraction);
    // The speed slider's value: 3 runs the animations at their own pace, higher runs faster.
    void SetAnimationSpeed(int speed);
    // The amplitude slider (0..100): 50 shows the sound as it is, 100 twice as strong.
    void SetAudioAmplitude(float amplitude);
    // The single colour of the presets, and the colour the user paints with.
    void SetMatrixScreenColor(uint32_t color);
    void SetMatrixScreenColorful(bool colorful);

    // ---- sound (the capture thread) ----
    void SetAudioData(const float* bands, int count);
    void SetMasterVolume(float volume);
    void SetInputWave(const float* wave, int count);

    // ---- colours ----
    // The 49 LEDs with their colours, left to right.
    std::vector<MatrixItem> GetKeyItems() const;
    MatrixFrame Colors() const;
    // Shows a table of colours (the custom colours read from the keyboard); no LED counts as
    // painted afterwards.
    void SetColors(const MatrixFrame& colors);
    // Takes the keyboard's colour for every LED the user has not painted since the last
    // SetColors, and returns the colours shown.
    MatrixFrame MergeUnpainted(const MatrixFrame& keyboard);

    // ---- painting ----
    // Colours one LED with the screen's colour; false for a place outside the bar. Views call
    // it while the mouse moves and raise kEventPainted when the stroke ends.
    bool PaintLed(int index);
    void FinishPainting() { RaiseEvent(kEventPainted); }

    // ---- time ----
    // Moves a live preset on to now and recomputes the colours; views are told.
    void OnTimer();
    // The same by a given time (tests step exactly).
    void Advance(double ms);

  private:
    void StepLocked(double ms);
    void DrawLocked();

    mutable std::mutex mutex_;  // guards every member below
    int preset_ = kMatrixPresetBuiltIn;
    MatrixPresetInput input_;
    MatrixPresetState state_;
    int speed_ = 3;
    float amplitude_ = 50;
    MatrixFrame colors_{};
    std::bitset<kMatrixLedCount> painted_;  // painted since the colours were last set
    double lastTickMs_ = -1;                // wall clock of the last OnTimer
};

}  // namespace zanvor
