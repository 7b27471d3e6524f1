// The recorder's progress bar: one line on a terminal, redrawn in place.
#pragma once

#include <cstdint>
#include <cstdio>

class ProgressBar {
  public:
    // Draws nothing unless `shown`, so callers need no test of their own around each update.
    ProgressBar(std::FILE* out, std::int64_t total, bool shown);
    ~ProgressBar() { Finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws when the whole percentage has moved: at most a hundred writes in a recording.
    void Update(std::int64_t done);
    // Ends the bar's line, so that what is printed next starts on a line of its own.
    void Finish();

  private:
    std::FILE* Out;
    std::int64_t Total;
    bool Shown;
    int Percent = -1;
};
