#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/ControlModel.h"
#include "ui/EffectImage.h"

namespace zanvor {

// What an item of the effect picture stands for.
enum class AuroraItemKind {
    Key,        // a key of the layout
    LeftBar,    // a light of the left side bar
    TopBar,     // a light of the top bar
    RightBar,   // a light of the right side bar
    MatrixBar,  // a cell of the light bar above the keys
};

// One item of the effect picture.
struct AuroraItem {
    int code = 0;  // key usage, or the side light's code (300 and up)
    std::string caption;
    Rect rect;        // on the picture
    int row = -1;     // matrix row of a key; for a side light 0
    int column = -1;  // matrix column of a key; for a side light its place along the bar
    AuroraItemKind kind = AuroraItemKind::Key;
    uint32_t color = 0;  // 0x00BBGGRR, the colour the effect gives the item
};

// Effect modes: the music renderer's colour map, a ripple from the bass beat, a spectrum sweep
// across the keys, and a picture or animated GIF laid over the keys.
inline constexpr int kAuroraModeMusic = 1;
inline constexpr int kAuroraModeRipple = 2;
inline constexpr int kAuroraModeSweep = 3;
inline constexpr int kAuroraModeImage = 5;

// Light layers: layer 1 is the mode's own effect; layers 2-12 add an effect over it.
inline constexpr int kLightLayerCount = 12;
enum LightLayer : int {
    kLayerBase = 1,
    kLayerBeatFlash = 2,    // everything flashes white on a beat
    kLayerBassGlow = 3,     // the lower keys glow with the bass
    kLayerSparkle = 4,      // single keys sparkle with the treble
    kLayerLevelMeter = 5,   // the top row shows the level from the left
    kLayerBreathing = 6,    // brightness follows the average level
    kLayerRainbowTint = 7,  // a moving rainbow mixed in
    kLayerColourWash = 8,   // the music colour mixed in with the mids
    kLayerStrobe = 9,       // strong beats turn everything white
    kLayerEdgeGlow = 10,    // the outer keys and light bars glow with the level
    kLayerLevelDim = 11,    // everything dims with the level
    kLayerInvert = 12,      // the colours inverted
};

// The colour map grid of the music mode: cells the keys read their colour from.
inline constexpr int kColorMapRows = 16;
inline constexpr int kColorMapColumns = 32;

// What the audio capture last said.
struct AuroraAudio {
    float level = 0;
    float peak = 0;
    float average = 0;
    int percent = 0;
    float rms = 0;
    std::array<float, 32> bands32{};
    std::array<float, 64> bands64{};
    bool beat = false;
    float strength = 0;
    float tempo = 0;
    float low = 0;
    float mid = 0;
    float high = 0;
};

// The effect picture of the aurora and music page: the keys and side lights of the keyboard
// with the colours the running effect gives them. It computes the colours of modes 2, 3 and 5
// itself from the audio features; in mode 1 the keys show the colour map the program fills
// from the music renderer.
class AuroraEffect : public ControlModel {
  public:
    enum Change {
        kChangeItems = 16,
        kChangeColors = 17,
        kChangePicture = 19,
        kChangeSettings = 20,
    };

    explicit AuroraEffect(int controlId = 0) : ControlModel(controlId) {}

    void ClearItem();
    void SetKeyboardImage(const std::string& image);
    std::string GetKeyboardImage() const;
    void SetWidthAndHeight(int width, int height);
    int GetWidth() const;
    int GetHeight() const;

    void AddKeyItem(const std::string& caption, int code, const Rect& rect, int row, int column,
                    AuroraItemKind kind = AuroraItemKind::Key);
    // Every item, in the order added (keys first, then side lights).
    std::vector<AuroraItem> GetKeyItems() const;
    // The code and colour of every item, in the same order, into a list the caller keeps
    // (nothing is allocated once the list has grown to the item count).
    void GetItemColors(std::vector<std::pair<int, uint32_t>>& out) const;
    size_t ItemCount() const;
    // Sets the colour of every item with that code; false when there is none.
    bool SetItemColor(int code, uint32_t color);

    // ---- effect settings ----
    // Back to the start: music mode, layer 1 only, colourful, no picture, empty colour map.
    void Initialize();
    void SetAuroraMode(int mode);
    int GetAuroraMode() const;
    void SetMusicColor(uint32_t color);
    uint32_t GetMusicColor() const;
    void SetMusicColorful(bool colorful);
    bool GetMusicColorful() const;
    // The picture of mode 5; on failure the previous picture stays.
    ImageLoadResult SetGIFImage(const std::string& path);
    std::string GetImagePath() const;
    // Layers 1-12; the rectangle (x, y, width, height) is kept but every layer covers the
    // whole keyboard.
    void AddLightLayer(int layer, int x, int y, int width, int height);
    void DeleteLightLayer(int layer);
    bool HasLightLayer(int layer) const;

    // ---- music mode input ----
    void SetColorMap(int column, int row, uint32_t color);
    uint32_t GetColorMap(int column, int row) const;
    // A light of a side or top bar in the music mode (its place along the bar).
    void SetBarColor(AuroraItemKind bar, int position, uint32_t color);

    // ---- audio input (the capture thread) ----
    void SetExternalAudioData(float level, float peak, float average, int percent, float rms);
    void SetFFTSpectrum(const float* bands32, const float* bands64);
    void SetBeatData(bool beat, float strength, float tempo, float low, float mid, float high);
    AuroraAudio Audio() const;

    // ---- colour output ----
    // A rows x columns light matrix (row by row) drawn from the spectrum: lit cells get the
    // music colour (a rainbow when colourful), unlit ones 0. brightness 0..255.
    void GetMatrixLightsColors(uint32_t* values, int rows, int columns, bool music,
                               int brightness) const;
    // The top bar (a level meter from the left) and the side bars (the bass from the bottom).
    void GetTopLightsColors(uint32_t* values, int count, bool music, int brightness) const;
    void GetSideLightsColors(uint32_t* values, int count, bool music, int brightness) const;

    // Moves the effect on to now and recomputes every item's colour; views are told.
    void OnTimer();
    // The same while the picture is hidden (nothing to redraw).
    void DrawHideControl();
    // Moves the effect on by ms and recomputes the colours (tests step time exactly).
    void Advance(double ms);
    // Tells the views that the colours changed.
    void UpdateControl();

  private:
    struct Ripple {
        double x = 0;
        double y = 0;
        double bornMs = 0;
        uint32_t color = 0;
    };

    void ComputeLocked(double nowMs);
    uint32_t BaseColourLocked(const AuroraItem& item, double u, double v, double nowMs) const;
    uint32_t ApplyLayersLocked(uint32_t colour, const AuroraItem& item, double u, double v,
                               double nowMs, size_t index) const;
    uint32_t MusicColourAt(double u, double nowMs) const;
    void Step(double ms, bool notify);

    mutable std::mutex mutex_;  // guards every member below
    std::vector<AuroraItem> items_;
    std::string image_;
    int width_ = 0;
    int height_ = 0;

    int mode_ = kAuroraModeMusic;
    uint32_t musicColor_ = 0x0000FF;
    bool colorful_ = true;
    std::array<bool, kLightLayerCount + 1> layers_{false, true};
    std::array<uint32_t, kColorMapRows * kColorMapColumns> colorMap_{};
    std::array<std::array<uint32_t, 32>, 4> barMap_{};  // left, top, right, matrix bar
    std::string imagePath_;
    std::shared_ptr<const EffectImage> picture_;
    AuroraAudio audio_;

    double clockMs_ = 0;      // effect time
    double lastTickMs_ = -1;  // wall clock of the last OnTimer
    bool lastBeat_ = false;
    double sweepPhase_ = 0;  // 0..1 across the keyboard
    double sweepClockMs_ = 0;
    std::vector<Ripple> ripples_;
    uint32_t rippleSeed_ = 12345;
    int rippleHue_ = 0;
};

}  // namespace zanvor
