#include "tools/progress.h"

#include <algorithm>

namespace {
constexpr int kCells = 30;
}

ProgressBar::ProgressBar(std::FILE* out, std::int64_t total, bool shown)
    : Out(out), Total(std::max<std::int64_t>(total, 1)), Shown(shown) {}

void ProgressBar::Update(std::int64_t done) {
    if (!Shown) return;
    const int percent = static_cast<int>(std::clamp<std::int64_t>(done, 0, Total) * 100 / Total);
    if (percent == Percent) return;
    Percent = percent;
    char bar[kCells + 1];
    const int filled = percent * kCells / 100;
    std::fill(bar, bar + filled, '#');
    std::fill(bar + filled, bar + kCells, '-');
    bar[kCells] = '\0';
    std::fprintf(Out, "\r[%s] %3d%%  %lld/%lld frames", bar, percent, static_cast<long long>(done),
                 static_cast<long long>(Total));
    std::fflush(Out);
}

void ProgressBar::Finish() {
    if (Shown && Percent >= 0) std::fputc('\n', Out);
    Shown = false;
}
