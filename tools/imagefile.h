// Image files for the recorder: PNG through libpng, animated GIF through giflib.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Writes 0x00RRGGBB pixels as an RGB PNG. Returns an error text, empty on success.
std::string WritePng(const std::string& path, std::int32_t width, std::int32_t height,
                     std::span<const std::uint32_t> pixels);

// An animated GIF written frame by frame, looping for ever.
class GifWriter {
  public:
    GifWriter();
    ~GifWriter();
    // Returns an error text, empty on success.
    std::string Open(const std::string& path, std::int32_t width, std::int32_t height);
    // Adds a frame shown for `delayCs` hundredths of a second. Frames with up to 256 colours are
    // stored exactly; more colours fall back to a 3-3-2 palette.
    std::string AddFrame(std::span<const std::uint32_t> pixels, int delayCs);
    std::string Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> State;
};
