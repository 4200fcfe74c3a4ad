// One frame of the music renderer: the spectrum bars from the waveform, the background and
// foreground fills and the composition, for the cheapest and the costliest fills.
#include <benchmark/benchmark.h>

#include <vector>

#include "lighting/SignalGenerator.h"
#include "lighting/Visualizer.h"

using namespace zanvor;

namespace {

void RendererFrame(benchmark::State& state) {
    Visualizer renderer;
    VisualizerParams params;
    params.foreType = static_cast<int>(state.range(0));
    params.backType = static_cast<int>(state.range(1));
    renderer.SetParams(params);
    // A waveform as the capture hands it over: 256 (value, value) points at gain 2 x 300.
    const std::vector<float> tone = SineWave(440, 0.05, 12000, 1, 0.3f * 600);
    std::vector<float> wave(kWaveLength);
    for (int i = 0; i < kWavePoints; ++i) {
        wave[2 * i] = wave[2 * i + 1] = tone[i];
    }
    for (auto _ : state) {
        renderer.SetInput(wave.data(), kWaveLength);
        renderer.RenderFrame();
    }
    benchmark::DoNotOptimize(renderer.FramesDrawn());
}

}  // namespace

// (foreground, background): solid red on black; rainbow on a gradient; hue wheel over the
// cycling colour (the costliest pair).
BENCHMARK(RendererFrame)
    ->Args({kFillRed, kFillBlack})
    ->Args({kFillRainbow, kFillGreenYellowRed})
    ->Args({kFillHueWheel, kFillCyclingColour})
    ->Unit(benchmark::kMicrosecond);
