// What the matrix screen's live presets draw on the 49-LED bar. "Colour" is the single colour,
// or the rainbow hues when colourful; every frame is scaled by the brightness at the end.
//
//   preset  name               draws
//   2       rainbow scroll     the rainbow (or waves of the colour) scrolling to the left
//   4       comet              a comet with a fading tail crossing the bar, a new hue each lap
//   6       breathing          the whole bar fading in and out, the hue drifting slowly
//   7       sparkle            single LEDs twinkling at random over a faint glow
//   8       colour wipe        the bar filled from the left with one colour after another
//   9       theatre chase      every third LED lit, marching to the right
//   10      scanner            one eye sweeping to and fro
//   12      fire               warm flickering flames (or the colour flickering)
//   13      colour cycle       the whole bar in one colour, cycling through the hues
//   14      twin meteors       two meteors from the ends passing each other
//   16      wave               bright and dark bands rolling along the bar
//   21      centre pulse       rings of light spreading from the middle outwards
//   22      level meter        the sound level from the left, green to red, a falling peak
//   23      spectrum           seven bands, low to high, each growing from its middle
//   24      scope              the waveform: each LED as bright as the sound at its moment
//   25      beat flash         the bar flashes on each bass beat, a new hue each beat
//   26      centre meter       the level spreading from the middle to both ends
//   27      bass and treble    a glow that follows the bass with treble sparkles over it
//
// The audio presets draw nothing but the sound: silence leaves the bar dark.

#include "ui/MatrixPresets.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/ColourMath.h"

namespace zanvor {

namespace {

using colour::Hash;
using colour::Hue;
using colour::Mix;
using colour::Rgb;
using colour::Scale;

constexpr int kLeds = kMatrixLedCount;
constexpr double kPi = std::numbers::pi;
constexpr uint32_t kWhite = 0xFFFFFF;
// A waveform value this large counts as full scale (the capture's display gain is 270).
constexpr double kWaveFullScale = 270.0;

double Fraction(double x) {
    return x - std::floor(x);
}

// Place of an LED along the bar, 0 at the left end, 1 at the right.
double Place(int i) {
    return i / static_cast<double>(kLeds - 1);
}

// The colour at a place and time: the single colour, or a hue that changes along the bar.
uint32_t Tint(const MatrixPresetInput& in, double hue) {
    return in.colorful ? Hue(hue) : in.color;
}

// A comet whose head is at `head` (in LEDs), its tail `length` LEDs behind it.
double CometTail(int i, double head, double length, int direction) {
    const double behind = (head - i) * direction;
    if (behind < 0 || behind >= length) {
        return 0;
    }
    const double f = 1.0 - behind / length;
    return f * f;
}

// The meters' level: the waveform's loudness in decibels against a full-scale sine, over a
// 40 dB range whose top lies 5 dB above full scale. The seven bands cannot serve: their level
// is full for any sound above a whisper. So a loud tone (-3 dBFS) fills about 80 % at the
// default amplitude, quieter music moves the meter, and the amplitude slider (twice as strong
// at 100) still has room above.
double Level(const MatrixPresetInput& in) {
    constexpr int kPoints = kMatrixWaveLength / 2;
    constexpr double kSineRms = 2.0 * kWaveFullScale / std::numbers::sqrt2;
    constexpr double kRangeDb = 40.0;
    constexpr double kTopDb = 5.0;
    double sum = 0;
    for (int point = 0; point < kPoints; ++point) {
        const double v = in.wave[2 * point];
        sum += v * v;
    }
    const double rms = std::sqrt(sum / kPoints) * in.volume * in.gain;
    if (rms <= 0) {
        return 0;
    }
    const double db = 20.0 * std::log10(rms / kSineRms);
    return std::clamp((db - kTopDb + kRangeDb) / kRangeDb, 0.0, 1.0);
}

// Green at the bottom of a meter, yellow at two thirds, red at the top.
uint32_t MeterColour(const MatrixPresetInput& in, double position) {
    if (!in.colorful) {
        return in.color;
    }
    return Hue(120.0 * (1.0 - std::clamp(position, 0.0, 1.0)));
}

void Rainbow(const MatrixPresetInput& in, MatrixFrame& out) {
    for (int i = 0; i < kLeds; ++i) {
        out[i] = in.colorful
                     ? Hue(i * 540.0 / kLeds + in.seconds * 120.0)
                     : Scale(in.color, 0.3 + 0.35 * (1 + std::sin(i * 0.35 + in.seconds * 4)));
    }
}

void Comet(const MatrixPresetInput& in, MatrixFrame& out) {
    constexpr double kTail = 14;
    const double lap = in.seconds / 2.5;
    const double head = Fraction(lap) * (kLeds + kTail);
    const double hue = std::floor(lap) * 47.0;
    for (int i = 0; i < kLeds; ++i) {
        out[i] = Scale(Tint(in, hue + (head - i) * 4.0), CometTail(i, head, kTail, 1));
    }
}

void Breathing(const MatrixPresetInput& in, MatrixFrame& out) {
    const double f = std::pow(0.5 - 0.5 * std::cos(2 * kPi * in.seconds / 4.0), 1.6);
    for (int i = 0; i < kLeds; ++i) {
        out[i] = Scale(Tint(in, in.seconds * 12.0 + Place(i) * 40.0), f);
    }
}

void Sparkle(const MatrixPresetInput& in, MatrixFrame& out) {
    for (int i = 0; i < kLeds; ++i) {
        const auto led = static_cast<uint32_t>(i);
        const double period = 1.3 + 1.2 * Hash(led, 7);
        const double phase = Fraction(in.seconds / period + Hash(led, 11));
        double f = 0.04;
        if (phase < 0.25) {
            const double s = std::sin(kPi * phase / 0.25);
            f = std::max(f, s * s);
        }
        const uint32_t base =
            in.colorful ? Hue(360.0 * Hash(led, static_cast<uint32_t>(in.seconds / period)))
                        : in.color;
        out[i] = Scale(base, f);
    }
}

void ColourWipe(const MatrixPresetInput& in, MatrixFrame& out) {
    constexpr double kPeriod = 3.0;
    const double step = std::floor(in.seconds / kPeriod);
    const double p = Fraction(in.seconds / kPeriod);
    const double filled = (0.5 - 0.5 * std::cos(kPi * p)) * (kLeds + 1);
    const bool even = std::fmod(step, 2.0) == 0;
    const uint32_t current = in.colorful ? Hue(step * 60.0) : (even ? in.color : 0);
    const uint32_t previous = in.colorful ? Hue((step - 1) * 60.0) : (even ? 0 : in.color);
    for (int i = 0; i < kLeds; ++i) {
        out[i] = Mix(previous, current, std::clamp(filled - i, 0.0, 1.0));
    }
}

void TheatreChase(const MatrixPresetInput& in, MatrixFrame& out) {
    const int offset = static_cast<int>(std::floor(in.seconds * 8.0)) % 3;
    for (int i = 0; i < kLeds; ++i) {
        const bool lit = (i + 3 - offset) % 3 == 0;
        out[i] = Scale(Tint(in, i * 7.0 + in.seconds * 30.0), lit ? 1.0 : 0.06);
    }
}

void Scanner(const MatrixPresetInput& in, MatrixFrame& out) {
    const double x = (kLeds - 1) * (0.5 - 0.5 * std::cos(kPi * in.seconds / 1.8));
    for (int i = 0; i < kLeds; ++i) {
        const double d = i - x;
        out[i] = Scale(Tint(in, x * 6.0), std::exp(-d * d / (2 * 1.8 * 1.8)));
    }
}

void Fire(const MatrixPresetInput& in, MatrixFrame& out) {
    const double t = in.seconds;
    for (int i = 0; i < kLeds; ++i) {
        const double seed = Hash(static_cast<uint32_t>(i), 3) * 2 * kPi;
        const double heat =
            std::clamp(0.55 + 0.25 * std::sin(t * 7.1 + i * 1.7 + seed) +
                           0.2 * std::sin(t * 13.3 + i * 0.9) + 0.1 * std::sin(t * 23.0 + seed * 3),
                       0.0, 1.0);
        out[i] = in.colorful ? Scale(Mix(Rgb(255, 30, 0), Rgb(255, 200, 40), heat * heat), heat)
                             : Scale(in.color, 0.25 + 0.75 * heat);
    }
}

void ColourCycle(const MatrixPresetInput& in, MatrixFrame& out) {
    const uint32_t whole = in.colorful
                               ? Hue(in.seconds * 45.0)
                               : Mix(in.color, kWhite, 0.35 - 0.35 * std::cos(in.seconds * 1.5));
    out.fill(whole);
}

void TwinMeteors(const MatrixPresetInput& in, MatrixFrame& out) {
    constexpr double kTail = 10;
    const double run = Fraction(in.seconds / 2.0) * (kLeds + kTail);
    const double fromLeft = run;
    const double fromRight = kLeds - 1 - run;
    for (int i = 0; i < kLeds; ++i) {
        const uint32_t left = Scale(Tint(in, in.seconds * 20.0), CometTail(i, fromLeft, kTail, 1));
        const uint32_t right =
            Scale(Tint(in, in.seconds * 20.0 + 180.0), CometTail(i, fromRight, kTail, -1));
        out[i] = colour::Add(left, right);
    }
}

void Wave(const MatrixPresetInput& in, MatrixFrame& out) {
    for (int i = 0; i < kLeds; ++i) {
        const double s = 0.5 + 0.5 * std::sin(2 * kPi * (i / 16.0 - in.seconds * 0.8));
        out[i] = Scale(Tint(in, i * 4.0 + in.seconds * 20.0), s * s);
    }
}

void CentrePulse(const MatrixPresetInput& in, MatrixFrame& out) {
    constexpr double kEvery = 1.2;
    constexpr double kRingsAlive = 2;
    const double centre = (kLeds - 1) / 2.0;
    const double newest = std::floor(in.seconds / kEvery);
    for (int i = 0; i < kLeds; ++i) {
        uint32_t c = 0;
        for (int k = 0; k < kRingsAlive; ++k) {
            const double ring = newest - k;
            const double age = in.seconds - ring * kEvery;  // 0 .. 2 periods
            const double radius = age * 22.0;
            const double d = std::abs(i - centre) - radius;
            const double f = (1.0 - age / (kRingsAlive * kEvery)) * std::exp(-d * d / 4.0);
            c = colour::Add(c, Scale(Tint(in, ring * 70.0), std::max(0.0, f)));
        }
        out[i] = c;
    }
}

void LevelMeter(const MatrixPresetInput& in, double dt, MatrixPresetState& state,
                MatrixFrame& out) {
    const double level = Level(in);
    state.peak = std::max(level, state.peak - dt * 0.5);
    const double lit = level * kLeds;
    for (int i = 0; i < kLeds; ++i) {
        out[i] = Scale(MeterColour(in, Place(i)), std::clamp(lit - i, 0.0, 1.0));
    }
    if (state.peak > 0.02) {
        const int top = std::clamp(static_cast<int>(state.peak * kLeds), 0, kLeds - 1);
        out[top] = Mix(MeterColour(in, Place(top)), kWhite, 0.5);
    }
}

void Spectrum(const MatrixPresetInput& in, MatrixFrame& out) {
    constexpr int kWidth = kLeds / kMatrixBandCount;  // 7 LEDs a band
    for (int k = 0; k < kMatrixBandCount; ++k) {
        const double band = std::clamp(in.bands[k] * in.volume * in.gain, 0.0, 1.0);
        // The band grows from its middle LED: up to 3.5 LEDs to each side.
        const double reach = band * (kWidth / 2.0 + 0.5);
        const uint32_t base = in.colorful ? Hue(k * 300.0 / (kMatrixBandCount - 1)) : in.color;
        for (int j = 0; j < kWidth; ++j) {
            const double fromMiddle = std::abs(j - (kWidth - 1) / 2.0);
            out[k * kWidth + j] = Scale(base, std::clamp(reach - fromMiddle, 0.0, 1.0));
        }
    }
}

void Scope(const MatrixPresetInput& in, MatrixFrame& out) {
    constexpr int kPoints = kMatrixWaveLength / 2;
    for (int i = 0; i < kLeds; ++i) {
        const int point = i * (kPoints - 1) / (kLeds - 1);
        const double v = in.wave[2 * point] / kWaveFullScale * in.volume * in.gain;
        const double f = std::clamp(std::abs(v), 0.0, 1.0);
        out[i] =
            Scale(in.colorful ? Hue(v >= 0 ? 200.0 - 160.0 * f : 280.0 + 60.0 * f) : in.color, f);
    }
}

void BeatFlash(const MatrixPresetInput& in, double dt, MatrixPresetState& state, MatrixFrame& out) {
    const double bass = std::clamp(in.bands[0] * in.volume * in.gain, 0.0, 1.0);
    if (bass > 0.1 && bass > state.bassAverage * 1.3 + 0.05 && state.flash < 0.6) {
        state.flash = 1;
        ++state.beats;
    }
    state.bassAverage += (bass - state.bassAverage) * (1 - std::exp(-dt / 0.25));
    state.flash *= std::exp(-dt / 0.18);
    const double glow = 0.15 * Level(in);
    const uint32_t base = in.colorful ? Hue(state.beats * 67.0) : in.color;
    for (int i = 0; i < kLeds; ++i) {
        const double middle = 1.0 - std::abs(Place(i) - 0.5) * 2;
        out[i] = Scale(base, std::min(1.0, state.flash * (0.6 + 0.4 * middle) + glow));
    }
}

void CentreMeter(const MatrixPresetInput& in, double dt, MatrixPresetState& state,
                 MatrixFrame& out) {
    const double level = Level(in);
    state.peak = std::max(level, state.peak - dt * 0.5);
    const double centre = (kLeds - 1) / 2.0;
    const double reach = level * (centre + 1);
    for (int i = 0; i < kLeds; ++i) {
        const double fromCentre = std::abs(i - centre);
        out[i] =
            Scale(MeterColour(in, fromCentre / centre), std::clamp(reach - fromCentre, 0.0, 1.0));
    }
    if (state.peak > 0.02) {
        const int offset = std::clamp(static_cast<int>(state.peak * centre), 0, kLeds / 2);
        for (const int i : {kLeds / 2 - offset, kLeds / 2 + offset}) {
            out[i] = Mix(out[i], kWhite, 0.5);
        }
    }
}

void BassAndTreble(const MatrixPresetInput& in, MatrixFrame& out) {
    const double scale = in.volume * in.gain;
    const double bass = std::clamp((in.bands[0] + in.bands[1]) / 2 * scale, 0.0, 1.0);
    const double treble = std::clamp((in.bands[5] + in.bands[6]) / 2 * scale, 0.0, 1.0);
    const auto tick = static_cast<uint32_t>(std::floor(in.seconds * 12.0));
    for (int i = 0; i < kLeds; ++i) {
        uint32_t c = Scale(Tint(in, in.seconds * 30.0 + Place(i) * 60.0), bass);
        if (Hash(static_cast<uint32_t>(i), tick) < treble * 0.4) {
            c = Mix(c, kWhite, treble);
        }
        out[i] = c;
    }
}

void BuiltInPreview(const MatrixPresetInput& in, MatrixFrame& out) {
    for (int i = 0; i < kLeds; ++i) {
        out[i] = Tint(in, Place(i) * 300.0);
    }
}

}  // namespace

bool IsMatrixLivePreset(int preset) {
    return std::find(kMatrixLivePresets.begin(), kMatrixLivePresets.end(), preset) !=
           kMatrixLivePresets.end();
}

void DrawMatrixPreset(int preset, const MatrixPresetInput& in, MatrixPresetState& state,
                      MatrixFrame& out) {
    const double dt = std::max(0.0, in.seconds - state.lastSeconds);
    state.lastSeconds = in.seconds;
    switch (preset) {
        case kMatrixPresetDark:
            out.fill(0);
            break;
        case 2:
            Rainbow(in, out);
            break;
        case 4:
            Comet(in, out);
            break;
        case 6:
            Breathing(in, out);
            break;
        case 7:
            Sparkle(in, out);
            break;
        case 8:
            ColourWipe(in, out);
            break;
        case 9:
            TheatreChase(in, out);
            break;
        case 10:
            Scanner(in, out);
            break;
        case 12:
            Fire(in, out);
            break;
        case 13:
            ColourCycle(in, out);
            break;
        case 14:
            TwinMeteors(in, out);
            break;
        case 16:
            Wave(in, out);
            break;
        case 21:
            CentrePulse(in, out);
            break;
        case 22:
            LevelMeter(in, dt, state, out);
            break;
        case 23:
            Spectrum(in, out);
            break;
        case 24:
            Scope(in, out);
            break;
        case 25:
            BeatFlash(in, dt, state, out);
            break;
        case 26:
            CentreMeter(in, dt, state, out);
            break;
        case 27:
            BassAndTreble(in, out);
            break;
        default:
            BuiltInPreview(in, out);
            break;
    }
    const double brightness = std::clamp(in.brightness, 0.0, 1.0);
    for (uint32_t& c : out) {
        c = Scale(c, brightness);
    }
}

}  // namespace zanvor
