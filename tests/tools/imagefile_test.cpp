// The recorder's image files when writing fails or the umask asks for other modes: an error
// naming the file and the reason, nothing leaked, and the modes every other program's files get.
#include "tools/imagefile.h"
#include "tests/support/tempdir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

class ImageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, 0);
        // Some colour, so the frame is not all one run.
        for (std::size_t i = 0; i < pixels.size(); i += 7) pixels[i] = 0x00FFAA55u * (i % 5);
    }
    unsigned Mode(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st.st_mode & 0777;
    }

    static constexpr std::int32_t kWidth = 320, kHeight = 200;
    TempDir temp{"image"};
    std::string dir = temp.Path;
    std::vector<std::uint32_t> pixels;
};

TEST_F(ImageFileTest, PngOnAFullDeviceFailsWithLibpngsReason) {
    const std::string error = WritePng("/dev/full", kWidth, kHeight, pixels);
    EXPECT_EQ(error.rfind("cannot write /dev/full: ", 0), 0u) << error;
    EXPECT_GT(error.size(), std::string("cannot write /dev/full: ").size());
    EXPECT_NE(WritePng(dir + "/no/such/folder.png", kWidth, kHeight, pixels), "");
    EXPECT_EQ(WritePng(dir + "/ok.png", kWidth, kHeight, pixels), "");
}

TEST_F(ImageFileTest, GifOnAFullDeviceFailsAtAFrameOrAtTheClose) {
    GifWriter gif;
    ASSERT_EQ(gif.Open("/dev/full", kWidth, kHeight), "");
    std::string error;
    for (int i = 0; i < 4 && error.empty(); ++i) error = gif.AddFrame(pixels, 4);
    if (error.empty()) error = gif.Close();
    EXPECT_NE(error, "");
}

TEST_F(ImageFileTest, ImagesGetTheModesTheUmaskGives) {
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        SCOPED_TRACE(mask);
        const mode_t before = ::umask(mask);
        const std::string png = dir + "/a.png", gif = dir + "/a.gif";
        std::filesystem::remove(png);
        std::filesystem::remove(gif);
        ASSERT_EQ(WritePng(png, kWidth, kHeight, pixels), "");
        {
            GifWriter writer;
            ASSERT_EQ(writer.Open(gif, kWidth, kHeight), "");
            ASSERT_EQ(writer.AddFrame(pixels, 4), "");
            ASSERT_EQ(writer.Close(), "");
        }
        ::umask(before);
        EXPECT_EQ(Mode(png), 0666u & ~mask);
        EXPECT_EQ(Mode(gif), 0666u & ~mask);
    }
}

}  // namespace
