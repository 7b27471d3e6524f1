#include "tools/imagefile.h"

#include <gif_lib.h>
#include <png.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {

// libpng reports an error by a longjmp from inside its calls, which must not cross a live C++
// object: everything it may jump out of runs in WritePngRows, which holds none.
struct PngError {
    char Text[160];
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    std::snprintf(error->Text, sizeof error->Text, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool WritePngRows(png_structp png, png_infop info, std::FILE* file, std::int32_t width,
                  std::int32_t height, const std::uint32_t* pixels, png_byte* row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            row[x * 3 + 0] = static_cast<png_byte>(p >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

std::string CannotWrite(const std::string& path, const char* why) {
    return "cannot write " + path + ": " + why;
}

}  // namespace

std::string WritePng(const std::string& path, std::int32_t width, std::int32_t height,
                     std::span<const std::uint32_t> pixels) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return CannotWrite(path, std::strerror(errno));
    PngError error{};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, &OnPngError, &OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    const bool written =
        info != nullptr && WritePngRows(png, info, file, width, height, pixels.data(), row.data());
    png_destroy_write_struct(&png, &info);
    // Buffered bytes reach the file only now: a full disk may show here first.
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    if (!written) return CannotWrite(path, error.Text[0] != '\0' ? error.Text : "out of memory");
    if (!closed) return CannotWrite(path, std::strerror(closeError));
    return {};
}

struct GifWriter::Impl {
    GifFileType* gif = nullptr;
    std::int32_t width = 0, height = 0;
    std::vector<GifByteType> indices;
    bool first = true;
};

GifWriter::GifWriter() : State(std::make_unique<Impl>()) {}
GifWriter::~GifWriter() {
    Close();
}

std::string GifWriter::Open(const std::string& path, std::int32_t width, std::int32_t height) {
    // Opened here rather than by giflib, which makes its files 0600 whatever the umask.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return CannotWrite(path, std::strerror(errno));
    int error = 0;
    State->gif = EGifOpenFileHandle(fd, &error);
    if (State->gif == nullptr) {
        ::close(fd);
        return CannotWrite(path, GifErrorString(error));
    }
    State->width = width;
    State->height = height;
    State->indices.resize(static_cast<std::size_t>(width) * height);
    EGifSetGifVersion(State->gif, true);
    if (EGifPutScreenDesc(State->gif, width, height, 8, 0, nullptr) == GIF_ERROR)
        return CannotWrite(path, GifErrorString(State->gif->Error));
    return {};
}

std::string GifWriter::AddFrame(std::span<const std::uint32_t> pixels, int delayCs) {
    GifFileType* gif = State->gif;
    if (gif == nullptr) return "no GIF open";
    if (State->first) {
        // Netscape application extension: loop for ever.
        static const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType loop[] = {1, 0, 0};
        if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, sizeof app, app) == GIF_ERROR ||
            EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_ERROR ||
            EGifPutExtensionTrailer(gif) == GIF_ERROR)
            return std::string("giflib failed writing a frame: ") + GifErrorString(gif->Error);
        State->first = false;
    }
    // Exact palette when the frame has few colours (the usual case), else 3-3-2.
    std::unordered_map<std::uint32_t, int> palette;
    GifColorType colors[256] = {};
    bool exact = true;
    // Frames are mostly black: a one-entry cache in front of the map saves nearly every lookup.
    std::uint32_t last = pixels.empty() ? 0 : ~pixels[0];
    for (std::uint32_t p : pixels) {
        if (p == last) continue;
        last = p;
        if (palette.count(p) != 0) continue;
        if (palette.size() == 256) {
            exact = false;
            break;
        }
        const int index = static_cast<int>(palette.size());
        palette.emplace(p, index);
        colors[index] = GifColorType{static_cast<GifByteType>(p >> 16),
                                     static_cast<GifByteType>(p >> 8), static_cast<GifByteType>(p)};
    }
    if (!exact) {
        for (int i = 0; i < 256; ++i)
            colors[i] = GifColorType{static_cast<GifByteType>((i >> 5) * 255 / 7),
                                     static_cast<GifByteType>(((i >> 2) & 7) * 255 / 7),
                                     static_cast<GifByteType>((i & 3) * 255 / 3)};
    }
    last = pixels.empty() ? 0 : ~pixels[0];
    GifByteType lastIndex = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t p = pixels[i];
        if (exact && p == last) {
            State->indices[i] = lastIndex;
            continue;
        }
        last = p;
        lastIndex = State->indices[i] =
            exact ? static_cast<GifByteType>(palette[p])
                  : static_cast<GifByteType>(((p >> 16) & 0xE0) | ((p >> 11) & 0x1C) |
                                             ((p >> 6) & 0x03));
    }
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.DelayTime = delayCs;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    const size_t extLen = EGifGCBToExtension(&gcb, ext);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extLen), ext) == GIF_ERROR)
        return std::string("giflib failed writing a frame: ") + GifErrorString(gif->Error);
    ColorMapObject* map = GifMakeMapObject(256, colors);
    const bool ok =
        EGifPutImageDesc(gif, 0, 0, State->width, State->height, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) return std::string("giflib failed writing a frame: ") + GifErrorString(gif->Error);
    for (std::int32_t y = 0; y < State->height; ++y)
        if (EGifPutLine(gif, State->indices.data() + static_cast<std::size_t>(y) * State->width,
                        State->width) == GIF_ERROR)
            return std::string("giflib failed writing a frame: ") + GifErrorString(gif->Error);
    return {};
}

std::string GifWriter::Close() {
    if (State->gif == nullptr) return {};
    int error = 0;
    const int r = EGifCloseFile(State->gif, &error);
    State->gif = nullptr;
    return r == GIF_ERROR ? std::string("giflib failed closing: ") + GifErrorString(error)
                          : std::string();
}
