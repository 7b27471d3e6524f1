// Video files for the recorder through FFmpeg's libraries: H.264 in MP4 and VP9 in WebM, both at
// full colour resolution (4:4:4) so that a one-pixel dot keeps its colour.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class VideoWriter {
  public:
    VideoWriter();
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // The format follows the file name: ".mp4" or ".webm"; anything else is not a video file.
    static bool KnownFileName(const std::string& path);

    // One frame every `periodMs` milliseconds. Returns an error text, empty on success.
    std::string Open(const std::string& path, std::int32_t width, std::int32_t height,
                     std::int64_t periodMs);
    // Adds a frame of 0x00RRGGBB pixels, row after row.
    std::string AddFrame(std::span<const std::uint32_t> pixels);
    // Flushes the encoder and finishes the file.
    std::string Close();

  private:
    struct Impl;
    std::unique_ptr<Impl> State;
};
