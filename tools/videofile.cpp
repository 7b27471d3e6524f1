#include "tools/videofile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <string_view>

namespace {

// One row per file type. Full colour resolution (4:4:4), because 4:2:0 would average a one-pixel
// dot's colour with its black neighbours into a dim speck; and lossless, because lossy settings
// that keep such a dot at its colour cost more bytes than lossless ones on frames that are black
// around a few hundred dots. The presets are the fastest whose files stay small.
struct Encoding {
    const char* Extension;
    const char* Muxer;
    const char* Encoder;
    const char* Options[5][2];
};
constexpr Encoding kEncodings[] = {
    {".mp4", "mp4", "libx264", {{"profile", "high444"}, {"preset", "superfast"}, {"qp", "0"}}},
    {".webm",
     "webm",
     "libvpx-vp9",
     {{"lossless", "1"}, {"deadline", "realtime"}, {"cpu-used", "5"}, {"row-mt", "1"}}},
};

const Encoding* EncodingFor(std::string_view path) {
    for (const Encoding& e : kEncodings) {
        const std::string_view ext = e.Extension;
        if (path.size() > ext.size() && path.substr(path.size() - ext.size()) == ext) return &e;
    }
    return nullptr;
}

// Full-range RGB to limited-range BT.709 4:4:4, as the files' colour tags say, in 16-bit fixed
// point (the coefficients scaled by 219/255 for luma and 224/255 for chroma, rounded so that grey
// has no chroma). A frame is black around a few hundred dots, so a pixel of the previous pixel's
// colour skips the arithmetic: a third of the CPU time swscale takes for the same frame.
void ToYuv444(std::span<const std::uint32_t> pixels, std::int32_t width, std::int32_t height,
              AVFrame& frame) {
    std::uint32_t last = 0;
    std::uint8_t y = 16, u = 128, v = 128;
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint32_t* in = pixels.data() + static_cast<std::size_t>(row) * width;
        std::uint8_t* outY = frame.data[0] + static_cast<std::ptrdiff_t>(row) * frame.linesize[0];
        std::uint8_t* outU = frame.data[1] + static_cast<std::ptrdiff_t>(row) * frame.linesize[1];
        std::uint8_t* outV = frame.data[2] + static_cast<std::ptrdiff_t>(row) * frame.linesize[2];
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t p = in[x] & 0xFFFFFFu;
            if (p != last) {
                last = p;
                const int r = static_cast<int>(p >> 16), g = static_cast<int>((p >> 8) & 0xFF),
                          b = static_cast<int>(p & 0xFF);
                y = static_cast<std::uint8_t>(16 +
                                              ((11966 * r + 40254 * g + 4064 * b + 32768) >> 16));
                u = static_cast<std::uint8_t>(128 +
                                              ((-6596 * r - 22189 * g + 28785 * b + 32768) >> 16));
                v = static_cast<std::uint8_t>(128 +
                                              ((28785 * r - 26145 * g - 2640 * b + 32768) >> 16));
            }
            outY[x] = y;
            outU[x] = u;
            outV[x] = v;
        }
    }
}

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

struct VideoWriter::Impl {
    AVFormatContext* Format = nullptr;
    AVCodecContext* Codec = nullptr;
    AVStream* Stream = nullptr;
    AVFrame* Frame = nullptr;
    AVPacket* Packet = nullptr;
    std::int32_t Width = 0, Height = 0;
    std::int64_t NextPts = 0;
    bool HeaderWritten = false;

    ~Impl() { Free(); }

    void Free() {
        if (Format != nullptr && !(Format->oformat->flags & AVFMT_NOFILE)) avio_closep(&Format->pb);
        avformat_free_context(Format);
        Format = nullptr;
        Stream = nullptr;
        avcodec_free_context(&Codec);
        av_frame_free(&Frame);
        av_packet_free(&Packet);
        HeaderWritten = false;
    }

    // Sends a frame (nullptr: the end) and writes every packet the encoder has ready.
    std::string Encode(const AVFrame* frame) {
        int r = avcodec_send_frame(Codec, frame);
        if (r < 0) return "encoding a frame failed: " + AvError(r);
        for (;;) {
            r = avcodec_receive_packet(Codec, Packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return {};
            if (r < 0) return "encoding a frame failed: " + AvError(r);
            av_packet_rescale_ts(Packet, Codec->time_base, Stream->time_base);
            Packet->stream_index = Stream->index;
            r = av_interleaved_write_frame(Format, Packet);  // takes the packet's data
            if (r < 0) return "writing the video failed: " + AvError(r);
        }
    }

    std::string Open(const std::string& path, const Encoding& e, std::int64_t periodMs) {
        int r = avformat_alloc_output_context2(&Format, nullptr, e.Muxer, path.c_str());
        if (r < 0) return "cannot make a " + std::string(e.Muxer) + " file: " + AvError(r);
        const AVCodec* encoder = avcodec_find_encoder_by_name(e.Encoder);
        if (encoder == nullptr) return std::string("FFmpeg has no encoder ") + e.Encoder;
        Stream = avformat_new_stream(Format, nullptr);
        Codec = avcodec_alloc_context3(encoder);
        Frame = av_frame_alloc();
        Packet = av_packet_alloc();
        if (Stream == nullptr || Codec == nullptr || Frame == nullptr || Packet == nullptr)
            return "out of memory";

        // One tick per frame of the saver's period.
        const int period = static_cast<int>(periodMs);
        Codec->width = Width;
        Codec->height = Height;
        Codec->pix_fmt = AV_PIX_FMT_YUV444P;
        Codec->time_base = AVRational{period, 1000};
        Codec->framerate = AVRational{1000, period};
        Codec->color_range = AVCOL_RANGE_MPEG;
        Codec->color_primaries = AVCOL_PRI_BT709;
        Codec->color_trc = AVCOL_TRC_BT709;
        Codec->colorspace = AVCOL_SPC_BT709;
        if (Format->oformat->flags & AVFMT_GLOBALHEADER)
            Codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        for (const auto& option : e.Options)
            if (option[0] != nullptr) av_dict_set(&options, option[0], option[1], 0);
        r = avcodec_open2(Codec, encoder, &options);
        av_dict_free(&options);
        if (r < 0) return std::string("cannot start the ") + e.Encoder + " encoder: " + AvError(r);
        r = avcodec_parameters_from_context(Stream->codecpar, Codec);
        if (r < 0) return "cannot describe the video stream: " + AvError(r);
        Stream->time_base = Codec->time_base;
        Stream->avg_frame_rate = Codec->framerate;

        Frame->format = Codec->pix_fmt;
        Frame->width = Width;
        Frame->height = Height;
        r = av_frame_get_buffer(Frame, 0);
        if (r < 0) return "out of memory: " + AvError(r);

        if (!(Format->oformat->flags & AVFMT_NOFILE)) {
            r = avio_open(&Format->pb, path.c_str(), AVIO_FLAG_WRITE);
            if (r < 0) return "cannot write " + path + ": " + AvError(r);
        }
        AVDictionary* muxOptions = nullptr;
        // The index at the front, so that a player can start before the whole file is there.
        if (std::string_view(e.Muxer) == "mp4")
            av_dict_set(&muxOptions, "movflags", "+faststart", 0);
        r = avformat_write_header(Format, &muxOptions);
        av_dict_free(&muxOptions);
        if (r < 0) return "cannot write " + path + ": " + AvError(r);
        HeaderWritten = true;
        return {};
    }
};

VideoWriter::VideoWriter() : State(std::make_unique<Impl>()) {}
VideoWriter::~VideoWriter() {
    Close();
}

bool VideoWriter::KnownFileName(const std::string& path) {
    return EncodingFor(path) != nullptr;
}

std::string VideoWriter::Open(const std::string& path, std::int32_t width, std::int32_t height,
                              std::int64_t periodMs) {
    const Encoding* e = EncodingFor(path);
    if (e == nullptr) return "not a video file name (.mp4 or .webm): " + path;
    // The encoders' own reports (settings, statistics) are not the recorder's to print.
    av_log_set_level(AV_LOG_ERROR);
    State->Free();
    State->Width = width;
    State->Height = height;
    State->NextPts = 0;
    std::string error = State->Open(path, *e, periodMs);
    if (!error.empty()) State->Free();
    return error;
}

std::string VideoWriter::AddFrame(std::span<const std::uint32_t> pixels) {
    Impl& v = *State;
    if (!v.HeaderWritten) return "no video open";
    // The encoder may still hold the previous frame's buffer.
    int r = av_frame_make_writable(v.Frame);
    if (r < 0) return "out of memory: " + AvError(r);
    ToYuv444(pixels, v.Width, v.Height, *v.Frame);
    v.Frame->pts = v.NextPts++;
    return v.Encode(v.Frame);
}

std::string VideoWriter::Close() {
    Impl& v = *State;
    if (!v.HeaderWritten) return {};
    std::string error = v.Encode(nullptr);
    const int r = av_write_trailer(v.Format);
    if (error.empty() && r < 0) error = "finishing the video failed: " + AvError(r);
    if (!(v.Format->oformat->flags & AVFMT_NOFILE)) {
        const int c = avio_closep(&v.Format->pb);
        if (error.empty() && c < 0) error = "cannot write the video: " + AvError(c);
    }
    v.Free();
    return error;
}
