#include "tools/progress.h"

#include <algorithm>

namespace {
constexpr int kCells = 30;
}

ProgressBar::ProgressBar(std::FILE* out, std::int64_t total, bool shown)
    : out_(out), total_(std::max<std::int64_t>(total, 1)), shown_(shown) {}

void ProgressBar::Update(std::int64_t done) {
    if (!shown_) return;
    const int percent = static_cast<int>(std::clamp<std::int64_t>(done, 0, total_) * 100 / total_);
    if (percent == percent_) return;
    percent_ = percent;
    char bar[kCells + 1];
    const int filled = percent * kCells / 100;
    std::fill(bar, bar + filled, '#');
    std::fill(bar + filled, bar + kCells, '-');
    bar[kCells] = '\0';
    std::fprintf(out_, "\r[%s] %3d%%  %lld/%lld frames", bar, percent, static_cast<long long>(done),
                 static_cast<long long>(total_));
    std::fflush(out_);
}

void ProgressBar::Finish() {
    if (shown_ && percent_ >= 0) std::fputc('\n', out_);
    shown_ = false;
}
