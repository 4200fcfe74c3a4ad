#include "lighting/FftPlan.h"

#include <kiss_fftr.h>

namespace zanvor {

static_assert(sizeof(kiss_fft_cpx) == sizeof(std::complex<float>));

FftPlan::FftPlan(size_t size)
    : size_(size),
      plan_(kiss_fftr_alloc(static_cast<int>(size), 0, nullptr, nullptr)),
      out_(size / 2 + 1) {}

FftPlan::~FftPlan() {
    kiss_fftr_free(plan_);
}

const std::vector<std::complex<float>>& FftPlan::Forward(const float* samples) {
    kiss_fftr(static_cast<kiss_fftr_cfg>(plan_), samples,
              reinterpret_cast<kiss_fft_cpx*>(out_.data()));
    return out_;
}

}  // namespace zanvor
