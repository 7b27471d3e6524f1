#include "tools/imagefile.h"

#include <gif_lib.h>
#include <png.h>

#include <cstdio>
#include <unordered_map>

std::string WritePng(const std::string& path, std::int32_t width, std::int32_t height,
                     std::span<const std::uint32_t> pixels) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return "cannot write " + path;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return "libpng failed writing " + path;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            row[x * 3 + 0] = static_cast<png_byte>(p >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 ? std::string() : "cannot write " + path;
}

struct GifWriter::Impl {
    GifFileType* gif = nullptr;
    std::int32_t width = 0, height = 0;
    std::vector<GifByteType> indices;
    bool first = true;
};

GifWriter::GifWriter() : impl_(std::make_unique<Impl>()) {}
GifWriter::~GifWriter() { Close(); }

std::string GifWriter::Open(const std::string& path, std::int32_t width, std::int32_t height) {
    int error = 0;
    impl_->gif = EGifOpenFileName(path.c_str(), false, &error);
    if (impl_->gif == nullptr) return "cannot write " + path + ": " + GifErrorString(error);
    impl_->width = width;
    impl_->height = height;
    impl_->indices.resize(static_cast<std::size_t>(width) * height);
    EGifSetGifVersion(impl_->gif, true);
    if (EGifPutScreenDesc(impl_->gif, width, height, 8, 0, nullptr) == GIF_ERROR)
        return "giflib failed writing " + path;
    return {};
}

std::string GifWriter::AddFrame(std::span<const std::uint32_t> pixels, int delayCs) {
    GifFileType* gif = impl_->gif;
    if (gif == nullptr) return "no GIF open";
    if (impl_->first) {
        // Netscape application extension: loop for ever.
        static const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType loop[] = {1, 0, 0};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, sizeof app, app);
        EGifPutExtensionBlock(gif, sizeof loop, loop);
        EGifPutExtensionTrailer(gif);
        impl_->first = false;
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
            impl_->indices[i] = lastIndex;
            continue;
        }
        last = p;
        lastIndex = impl_->indices[i] = exact ? static_cast<GifByteType>(palette[p])
                                  : static_cast<GifByteType>(((p >> 16) & 0xE0) | ((p >> 11) & 0x1C) |
                                                             ((p >> 6) & 0x03));
    }
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.DelayTime = delayCs;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    const size_t extLen = EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(extLen), ext);
    ColorMapObject* map = GifMakeMapObject(256, colors);
    const bool ok = EGifPutImageDesc(gif, 0, 0, impl_->width, impl_->height, false, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) return "giflib failed writing a frame";
    for (std::int32_t y = 0; y < impl_->height; ++y)
        if (EGifPutLine(gif, impl_->indices.data() + static_cast<std::size_t>(y) * impl_->width,
                        impl_->width) == GIF_ERROR)
            return "giflib failed writing a frame";
    return {};
}

std::string GifWriter::Close() {
    if (impl_->gif == nullptr) return {};
    int error = 0;
    const int r = EGifCloseFile(impl_->gif, &error);
    impl_->gif = nullptr;
    return r == GIF_ERROR ? std::string("giflib failed closing: ") + GifErrorString(error) : std::string();
}
