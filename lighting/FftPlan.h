#pragma once

#include <complex>
#include <cstddef>
#include <vector>

namespace zanvor {

// A forward real FFT of a fixed size (KissFFT). The plan and the output buffer are made once,
// so a transform allocates nothing.
class FftPlan {
  public:
    explicit FftPlan(size_t size);
    ~FftPlan();
    FftPlan(const FftPlan&) = delete;
    FftPlan& operator=(const FftPlan&) = delete;

    size_t Size() const { return size_; }
    // Transforms `size` real samples; the result holds bins 0..size/2 (unnormalised).
    const std::vector<std::complex<float>>& Forward(const float* samples);

  private:
    size_t size_;
    void* plan_ = nullptr;  // kiss_fftr_cfg
    std::vector<std::complex<float>> out_;
};

}  // namespace zanvor
