// What the effect control draws: the colour of every item in each mode, the light layers over
// it, and the colours of the light bars and the light matrix.

#include <algorithm>
#include <cmath>

#include "ui/AuroraEffect.h"
#include "ui/ColourMath.h"

namespace zanvor {

namespace {

constexpr double kRippleLifeMs = 1500;
constexpr double kRippleWidth = 0.07;  // of the keyboard's height

using colour::Add;
using colour::Blue;
using colour::Green;
using colour::Hash;
using colour::Hue;
using colour::Mix;
using colour::Red;
using colour::Rgb;
using colour::Scale;

// Spectrum value at u (0 left, 1 right) of 32 bands, between neighbouring bands.
double BandAt(const std::array<float, 32>& bands, double u) {
    const double p = std::clamp(u, 0.0, 1.0) * 31.0;
    const int i = static_cast<int>(p);
    const int j = std::min(i + 1, 31);
    return bands[i] + (bands[j] - bands[i]) * (p - i);
}
float MeanOf(const std::array<float, 32>& bands) {
    float sum = 0;
    for (float b : bands) {
        sum += b;
    }
    return sum / 32.0f;
}

}  // namespace

uint32_t AuroraEffect::MusicColourAt(double u, double nowMs) const {
    return colorful_ ? Hue(u * 300.0 + nowMs / 20.0) : musicColor_;
}

void AuroraEffect::ComputeLocked(double nowMs) {
    // Where each item sits, 0..1 across and down the picture (the key grid without one).
    int columns = 1;
    int rows = 1;
    for (const AuroraItem& item : items_) {
        if (item.kind == AuroraItemKind::Key) {
            columns = std::max(columns, item.column + 1);
            rows = std::max(rows, item.row + 1);
        }
    }
    auto place = [&](const AuroraItem& item, double& u, double& v) {
        if (width_ > 0 && height_ > 0 && item.rect.Width() > 0) {
            u = (item.rect.left + item.rect.right) / 2.0 / width_;
            v = (item.rect.top + item.rect.bottom) / 2.0 / height_;
        } else {
            u = (item.column + 0.5) / columns;
            v = (item.row + 0.5) / rows;
        }
    };

    const double dt = std::max(0.0, nowMs - sweepClockMs_);
    sweepClockMs_ = nowMs;
    const bool beatStarts = audio_.beat && !lastBeat_;
    lastBeat_ = audio_.beat;
    if (mode_ == kAuroraModeRipple) {
        if (beatStarts && !items_.empty()) {
            // A ripple from a key picked by the beat's own hash; strong beats start in the
            // middle of the keyboard.
            Ripple ripple;
            rippleSeed_ = rippleSeed_ * 1664525u + 1013904223u;
            const AuroraItem& from = items_[rippleSeed_ % items_.size()];
            place(from, ripple.x, ripple.y);
            if (audio_.strength > 0.8f) {
                ripple.x = 0.5;
                ripple.y = 0.5;
            }
            ripple.bornMs = nowMs;
            rippleHue_ = (rippleHue_ + 67) % 360;
            ripple.color = colorful_ ? Hue(rippleHue_) : musicColor_;
            ripples_.push_back(ripple);
        }
        std::erase_if(ripples_,
                      [nowMs](const Ripple& r) { return nowMs - r.bornMs > kRippleLifeMs; });
    }
    if (mode_ == kAuroraModeSweep) {
        // One sweep across the keyboard per four beats (two seconds without a tempo).
        const double perSecond = audio_.tempo > 0 ? audio_.tempo / 60.0 / 4.0 : 0.5;
        sweepPhase_ = std::fmod(sweepPhase_ + dt / 1000.0 * perSecond, 1.0);
    }

    for (size_t i = 0; i < items_.size(); ++i) {
        AuroraItem& item = items_[i];
        double u = 0;
        double v = 0;
        place(item, u, v);
        const uint32_t base = layers_[kLayerBase] ? BaseColourLocked(item, u, v, nowMs) : 0;
        item.color = ApplyLayersLocked(base, item, u, v, nowMs, i);
    }
}

uint32_t AuroraEffect::BaseColourLocked(const AuroraItem& item, double u, double v,
                                        double nowMs) const {
    switch (mode_) {
        case kAuroraModeMusic:
            if (item.kind != AuroraItemKind::Key) {
                const int position = std::clamp(item.column, 0, 31);
                return barMap_[static_cast<int>(item.kind) - 1][position];
            }
            if (item.row < 0 || item.row >= kColorMapRows || item.column < 0 ||
                item.column >= kColorMapColumns) {
                return 0;
            }
            return colorMap_[item.row * kColorMapColumns + item.column];
        case kAuroraModeRipple: {
            const double aspect =
                height_ > 0 && width_ > 0 ? static_cast<double>(width_) / height_ : 2.5;
            uint32_t colour = Scale(MusicColourAt(u, nowMs), 0.06 + 0.3 * audio_.low);
            for (const Ripple& ripple : ripples_) {
                const double age = nowMs - ripple.bornMs;
                const double radius = age / 1000.0 * 1.2;  // keyboard heights per second
                const double d = std::hypot((u - ripple.x) * aspect, v - ripple.y);
                const double edge = (d - radius) / kRippleWidth;
                const double intensity = std::exp(-edge * edge) * (1.0 - age / kRippleLifeMs);
                colour = Add(colour, Scale(ripple.color, intensity));
            }
            return colour;
        }
        case kAuroraModeSweep: {
            // Spectrum bars standing across the keys, the lower keys lit first.
            const double height = BandAt(audio_.bands32, u);
            const double fromBottom = 1.0 - v;
            const double lit =
                fromBottom <= height ? 1.0 : std::max(0.0, 1.0 - (fromBottom - height) * 4);
            uint32_t colour = Scale(MusicColourAt(u, nowMs), 0.1 + 0.9 * lit);
            const double dx = (u - sweepPhase_) / 0.05;
            colour =
                Add(colour, Scale(0xFFFFFF, std::exp(-dx * dx) * (0.35 + 0.5 * audio_.strength)));
            return colour;
        }
        case kAuroraModeImage:
            if (picture_ == nullptr || picture_->Empty()) {
                return 0;
            }
            return picture_->Sample(picture_->FrameAt(nowMs), u, v);
        default:
            return 0;
    }
}

uint32_t AuroraEffect::ApplyLayersLocked(uint32_t c, const AuroraItem& item, double u, double v,
                                         double nowMs, size_t index) const {
    const AuroraAudio& a = audio_;
    for (int layer = kLayerBeatFlash; layer <= kLightLayerCount; ++layer) {
        if (!layers_[layer]) {
            continue;
        }
        switch (layer) {
            case kLayerBeatFlash:
                if (a.beat) {
                    c = Add(c, Scale(0xFFFFFF, 0.6 * a.strength));
                }
                break;
            case kLayerBassGlow:
                if (v > 0.6) {
                    c = Add(c, Scale(MusicColourAt(u, nowMs), a.low * (v - 0.6) / 0.4));
                }
                break;
            case kLayerSparkle: {
                const uint32_t frame = static_cast<uint32_t>(nowMs / 80.0);
                if (Hash(static_cast<uint32_t>(index), frame) < a.high * 0.35) {
                    c = 0xFFFFFF;
                }
                break;
            }
            case kLayerLevelMeter:
                if (v < 0.2) {
                    c = u <= a.peak ? Mix(c, MusicColourAt(u, nowMs), 0.8) : Scale(c, 0.3);
                }
                break;
            case kLayerBreathing:
                c = Scale(c, 0.35 + 0.65 * a.average);
                break;
            case kLayerRainbowTint:
                c = Mix(c, Hue(u * 360.0 - nowMs / 10.0), 0.5);
                break;
            case kLayerColourWash:
                c = Mix(c, musicColor_, 0.5 * a.mid);
                break;
            case kLayerStrobe:
                if (a.beat && a.strength > 0.6f) {
                    c = 0xFFFFFF;
                }
                break;
            case kLayerEdgeGlow:
                if (item.kind != AuroraItemKind::Key || u < 0.08 || u > 0.92) {
                    c = Add(c, Scale(MusicColourAt(v, nowMs), a.level));
                }
                break;
            case kLayerLevelDim:
                c = Scale(c, a.level);
                break;
            case kLayerInvert:
                c = Rgb(255 - Red(c), 255 - Green(c), 255 - Blue(c));
                break;
            default:
                break;
        }
    }
    return c;
}

void AuroraEffect::GetMatrixLightsColors(uint32_t* values, int rows, int columns, bool,
                                         int brightness) const {
    std::lock_guard lock(mutex_);
    const double scale = std::clamp(brightness, 0, 255) / 255.0;
    for (int j = 0; j < columns; ++j) {
        const double u = columns > 1 ? static_cast<double>(j) / (columns - 1) : 0.0;
        const int lit = static_cast<int>(std::lround(BandAt(audio_.bands32, u) * rows));
        const uint32_t colour = Scale(MusicColourAt(u, clockMs_), scale);
        for (int i = 0; i < rows; ++i) {
            values[i * columns + j] = i >= rows - lit ? colour : 0;
        }
    }
}

void AuroraEffect::GetTopLightsColors(uint32_t* values, int count, bool, int brightness) const {
    std::lock_guard lock(mutex_);
    const double scale = std::clamp(brightness, 0, 255) / 255.0;
    const int lit = static_cast<int>(std::lround(MeanOf(audio_.bands32) * 2.0 * count));
    for (int k = 0; k < count; ++k) {
        const double u = count > 1 ? static_cast<double>(k) / (count - 1) : 0.0;
        values[k] = k < lit ? Scale(MusicColourAt(u, clockMs_), scale) : 0;
    }
}

void AuroraEffect::GetSideLightsColors(uint32_t* values, int count, bool, int brightness) const {
    std::lock_guard lock(mutex_);
    const double scale = std::clamp(brightness, 0, 255) / 255.0;
    const int lit = static_cast<int>(std::lround(audio_.low * count));
    for (int k = 0; k < count; ++k) {
        const double v = count > 1 ? static_cast<double>(k) / (count - 1) : 0.0;
        values[k] = k >= count - lit ? Scale(MusicColourAt(v, clockMs_), scale) : 0;
    }
}

}  // namespace zanvor
