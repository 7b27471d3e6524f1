// The Linux registry file under the settings accessor: what it writes, what it keeps, and what it
// refuses to overwrite.
#include "platform/posix/registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/posix/codepage.h"
#include "settings/errors.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"
#include "tests/settings/messages.h"
#include "tests/support/tempdir.h"

namespace fs = std::filesystem;

namespace {

class FileRegistryTest : public ::testing::Test {
  protected:
    std::string Contents() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void Store(const std::string& bytes) const {
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    std::vector<std::string> DirectoryEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(fs::path(file).parent_path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir temp{"reg"};
    std::string dir = temp.Path;
    std::string file = dir + "/velmora/user.reg";
};

void WriteAll(Registry& reg, const SaverSettings& s) {
    SettingsStore ini(reg, kSettingsBaseKey);
    WriteSettings(ini, s);
}

SaverSettings ReadAll(Registry& reg) {
    SettingsStore ini(reg, kSettingsBaseKey);
    SaverSettings s;
    ReadSettings(ini, s);
    return s;
}

TEST_F(FileRegistryTest, MissingFileReadsAsDefaultsAndReadingCreatesNothing) {
    FileRegistry reg(file);
    auto s = ReadAll(reg);
    EXPECT_EQ(s.Speed, 30);
    EXPECT_EQ(s.road_Color, static_cast<ColorValue>(0x80000016u));
    EXPECT_FALSE(fs::exists(fs::path(file).parent_path()));
}

TEST_F(FileRegistryTest, FirstWriteCreatesTheDirectoryAndARegedit4File) {
    FileRegistry reg(file);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        ini.WriteValueInt(kSettingsSection, "Speed", 30);
        ini.WriteValueText(kSettingsSection, "road_Color", "cl3DLight");
    }
    EXPECT_EQ(Contents(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"30\"\n"
              "\"road_Color\"=\"cl3DLight\"\n\n");
    EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

TEST_F(FileRegistryTest, WrittenSettingsReadBackIdentically) {
    SaverSettings s;
    s.Speed = 99;
    s.DispMode = -1;
    s.UpDown = 3;
    s.StarScroll = s.Comet = s.Trans = true;
    s.road_Color = static_cast<ColorValue>(0x80000030u);
    s.porl_Color = 0x0001FEFF;
    s.town3_Color = 0x1FFFFFFF;
    {
        FileRegistry reg(file);
        WriteAll(reg, s);
    }
    FileRegistry again(file);
    auto back = ReadAll(again);
    EXPECT_EQ(back.Speed, 99);
    EXPECT_EQ(back.DispMode, -1);
    EXPECT_EQ(back.UpDown, 3);
    EXPECT_TRUE(back.StarScroll && back.Comet && back.Trans);
    EXPECT_EQ(back.road_Color, s.road_Color);
    EXPECT_EQ(back.porl_Color, 0x0001FEFF);
    EXPECT_EQ(back.town3_Color, 0x1FFFFFFF);
    EXPECT_NE(Contents().find("\"porl_Color\"=\"$0001FEFF\"\n"), std::string::npos);
    EXPECT_NE(Contents().find("\"town3_Color\"=\"clNone\"\n"), std::string::npos);

    // Writing the same values again leaves the file as it was.
    std::string first = Contents();
    FileRegistry third(file);
    WriteAll(third, back);
    EXPECT_EQ(Contents(), first);
}

TEST_F(FileRegistryTest, KeepsForeignKeysValuesCommentsAndTheirOrder) {
    // What stays as it was around the saver's own key.
    const std::string foreignKey =
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
        "\"Blob\"=hex:00,01,fe\r\n"
        "\r\n";
    const std::string machineKey =
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Velmora]\r\n"
        "\"Speed\"=\"45\"\r\n";
    Store(foreignKey +
          "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
          "\"Custom\"=dword:00000007\r\n"
          "\"Speed\"=\"20\"\r\n"
          "\"Note\"=\"keep me\"\r\n"
          "; written by hand\r\n" +
          machineKey);
    FileRegistry reg(file);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        ini.WriteValueInt(kSettingsSection, "speed", 40);  // the file's spelling stays
        ini.WriteValueInt(kSettingsSection, "DispMode", 1);
    }
    EXPECT_EQ(Contents(), foreignKey +
                              "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
                              "\"Custom\"=dword:00000007\r\n"
                              "\"Speed\"=\"40\"\r\n"
                              "\"Note\"=\"keep me\"\r\n"
                              "\"DispMode\"=\"1\"\r\n"
                              "; written by hand\r\n" +
                              machineKey);
    EXPECT_EQ(ReadAll(reg).Speed, 40);
}

TEST_F(FileRegistryTest, NewKeyGoesAfterEverythingElseBehindABlankLine) {
    Store("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"a\"=\"1\"");
    FileRegistry reg(file);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        ini.WriteValueBool(kSettingsSection, "Comet", true);
    }
    EXPECT_EQ(Contents(),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"a\"=\"1\"\n\n"
              "[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Comet\"=\"1\"\n\n");
}

TEST_F(FileRegistryTest, BrokenFileIsNeverOverwrittenAndReadsAsMissing) {
    const std::string broken =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"40\"\nSpeed=50\n";
    Store(broken);
    std::ostringstream diagnostics;
    FileRegistry reg(file, &diagnostics);
    EXPECT_EQ(ReadAll(reg).Speed, 30);
    EXPECT_NE(diagnostics.str().find(file + ":5: "), std::string::npos) << diagnostics.str();

    SettingsStore ini(reg, kSettingsBaseKey);
    try {
        ini.WriteValueInt(kSettingsSection, "Speed", 20);
        FAIL() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_EQ(std::string(e.what()), WriteFailed("Speed"));
    }
    EXPECT_EQ(Contents(), broken);
    // Reported once, not once per value.
    std::string text = diagnostics.str();
    EXPECT_EQ(text.find(file), text.rfind(file));
}

TEST_F(FileRegistryTest, SymlinkedFileIsWrittenThroughTheLink) {
    fs::create_directories(fs::path(file).parent_path());
    std::string real = dir + "/dotfiles.reg";
    std::ofstream(real) << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"20\"\n";
    fs::create_symlink(real, file);
    FileRegistry reg(file);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        ini.WriteValueInt(kSettingsSection, "Speed", 40);
    }
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadAll(reg).Speed, 40);
    std::ifstream in(real);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\"Speed\"=\"40\""), std::string::npos);
}

TEST_F(FileRegistryTest, EmptyFileIsTakenAsANewOne) {
    Store("\n");
    FileRegistry reg(file);
    SettingsStore ini(reg, kSettingsBaseKey);
    ini.WriteValueInt(kSettingsSection, "Speed", 20);
    EXPECT_EQ(ReadAll(reg).Speed, 20);
}

TEST_F(FileRegistryTest, WindowsVersionFiveExportIsReadAndStaysUtf16) {
    std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
        "\"Speed\"=\"0x28\"\r\n\"road_Color\"=\"clBlue\"\r\n"
        "\"Owner\"=\"\xE8\xA8\xAD\xE5\xAE\x9A\"\r\n\r\n";  // 設定
    Store("\xFF\xFE" + Utf8ToUtf16Le(utf8));
    FileRegistry reg(file);
    auto s = ReadAll(reg);
    EXPECT_EQ(s.Speed, 40);
    EXPECT_EQ(s.road_Color, 0xFF0000);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        // Unicode text comes out in code page 932, as the ANSI registry calls give it.
        EXPECT_EQ(ini.ReadValueText(kSettingsSection, "Owner", ""), "\x90\xDD\x92\xE8");
        ini.WriteValueInt(kSettingsSection, "Speed", 25);
    }
    std::string after = Contents();
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after.substr(0, 2), "\xFF\xFE");
    std::string text = Utf16LeToUtf8(after.substr(2));
    EXPECT_NE(text.find("\"Speed\"=\"25\"\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Owner\"=\"\xE8\xA8\xAD\xE5\xAE\x9A\"\r\n"), std::string::npos);
}

TEST_F(FileRegistryTest, TextWrittenIntoAVersionFiveFileReadsBackIdentically) {
    // Text a quoted value cannot carry, and expandable text, are hex lists in such a file, and
    // there hex text is UTF-16LE: code page bytes written as they are would read back garbled.
    Store(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n"
        "\"Speed\"=\"30\"\n\n");
    const std::string lines = "two\nlines \x90\xDD\x92\xE8";  // 設定 in code page 932
    const std::string expand = "%HOME%\\x";
    {
        FileRegistry reg(file);
        RegKey key = 0;
        ASSERT_EQ(reg.OpenKey(kRegCurrentUser, "Software\\Velmora", kKeyAllAccess, &key), 0);
        auto bytes = [](const std::string& t) {
            return reinterpret_cast<const std::uint8_t*>(t.c_str());
        };
        auto size = [](const std::string& t) { return static_cast<std::uint32_t>(t.size() + 1); };
        ASSERT_EQ(reg.SetValue(key, "Lines", kRegSz, bytes(lines), size(lines)), 0);
        ASSERT_EQ(reg.SetValue(key, "Expand", kRegExpandSz, bytes(expand), size(expand)), 0);
        reg.CloseKey(key);
    }
    FileRegistry again(file);
    RegKey key = 0;
    ASSERT_EQ(again.OpenKey(kRegCurrentUser, "Software\\Velmora", kKeyRead, &key), 0);
    auto read = [&](std::string_view name, std::uint32_t wantType) {
        std::uint32_t type = 0, size = 0;
        EXPECT_EQ(again.QueryValue(key, name, &type, nullptr, &size), 0);
        std::vector<std::uint8_t> buffer(size);
        EXPECT_EQ(again.QueryValue(key, name, &type, buffer.data(), &size), 0);
        EXPECT_EQ(type, wantType);
        return std::string(buffer.begin(), buffer.end());
    };
    EXPECT_EQ(read("Lines", kRegSz), lines + std::string(1, '\0'));
    EXPECT_EQ(read("Expand", kRegExpandSz), expand + std::string(1, '\0'));
    SettingsStore ini(again, kSettingsBaseKey);
    EXPECT_EQ(ini.ReadValueText(kSettingsSection, "Lines", ""), lines);
    EXPECT_EQ(ini.ReadValueText(kSettingsSection, "Expand", ""), expand);
}

TEST_F(FileRegistryTest, ConcurrentWritersLoseNothing) {
    Store("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"keep\"=\"yes\"\n\n");
    constexpr int kWriters = 3;
    constexpr int kValues = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileRegistry reg(file);
            SettingsStore ini(reg, kSettingsBaseKey);
            int failures = 0;
            for (int i = 0; i < kValues; ++i) {
                try {
                    ini.WriteValueInt(kSettingsSection,
                                      "w" + std::to_string(w) + "_" + std::to_string(i), i);
                } catch (...) {
                    ++failures;
                }
            }
            ::_exit(failures);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FileRegistry reg(file);
    SettingsStore ini(reg, kSettingsBaseKey);
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(ini.ReadValueInt(kSettingsSection,
                                       "w" + std::to_string(w) + "_" + std::to_string(i), -1),
                      i);
    EXPECT_EQ(ini.ReadValueText("\\Software\\Other", "keep", ""), "yes");
    EXPECT_EQ(DirectoryEntries(), (std::vector<std::string>{"user.reg", "user.reg.lock"}));
}

TEST_F(FileRegistryTest, KeyCreatedWithoutValuesExistsOnlyInThisProcess) {
    FileRegistry reg(file);
    RegKey key = 0;
    ASSERT_EQ(reg.CreateKey(kRegCurrentUser, "Software\\Velmora", kKeyAllAccess, &key), 0);
    EXPECT_EQ(reg.CloseKey(key), 0);
    RegKey opened = 0;
    EXPECT_EQ(reg.OpenKey(kRegCurrentUser, "Software\\Velmora", kKeyRead, &opened), 0);
    EXPECT_FALSE(fs::exists(file));
    FileRegistry other(file);
    EXPECT_NE(other.OpenKey(kRegCurrentUser, "Software\\Velmora", kKeyRead, &opened), 0);
    EXPECT_NE(reg.CloseKey(12345), 0);
}

TEST_F(FileRegistryTest, QueryReportsSizeAndTypeAndRefusesAShortBuffer) {
    Store("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"d\"=dword:0000001e\n");
    FileRegistry reg(file);
    RegKey key = 0;
    ASSERT_EQ(reg.OpenKey(kRegCurrentUser, "software\\VELMORA", kKeyRead, &key), 0);
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(reg.QueryValue(key, "D", &type, nullptr, &size), 0);
    EXPECT_EQ(type, static_cast<std::uint32_t>(kRegDword));
    EXPECT_EQ(size, 4u);
    std::uint8_t buffer[4] = {};
    size = 2;
    EXPECT_EQ(reg.QueryValue(key, "d", &type, buffer, &size), kRegErrorMoreData);
    size = 4;
    ASSERT_EQ(reg.QueryValue(key, "d", &type, buffer, &size), 0);
    EXPECT_EQ(buffer[0], 0x1E);
    EXPECT_EQ(reg.QueryValue(key, "missing", &type, nullptr, &size), kRegErrorFileNotFound);
}

// A save that fails leaves the value read as it is in the file: what the refused save put in
// the parsed file must not be taken for the file.
TEST_F(FileRegistryTest, FailedSaveIsNotReadBackAsStored) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the link another owner";
    fs::create_directories(fs::path(file).parent_path());
    const std::string real = dir + "/dotfiles.reg";
    const std::string stored =
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"20\"\n";
    std::ofstream(real) << stored;
    fs::create_symlink(real, file);
    // A link of another user's to our file: saved through, it would write where that user says.
    ASSERT_EQ(::lchown(file.c_str(), 65534, 65534), 0);
    FileRegistry reg(file);
    EXPECT_EQ(ReadAll(reg).Speed, 20);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        EXPECT_THROW(ini.WriteValueInt(kSettingsSection, "Speed", 40), RegistryError);
        EXPECT_THROW(ini.WriteValueText("\\Software\\Other", "New", "x"), RegistryError);
    }
    EXPECT_EQ(ReadAll(reg).Speed, 20);
    SettingsStore ini(reg, kSettingsBaseKey);
    EXPECT_EQ(ini.ReadValueText("\\Software\\Other", "New", "none"), "none");
    std::ifstream in(real);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), stored);
}

// A UTF-16 file of an odd length (a stray byte after a hand-written comment) reads; a key added
// to it must start on a code unit of its own, or everything after the stray byte is garbled.
TEST_F(FileRegistryTest, Utf16FileEndingInAnOddByteStaysReadableAfterANewKey) {
    const std::string start = "\xFF\xFE" + Utf8ToUtf16Le(
                                               "Windows Registry Editor Version 5.00\r\n\r\n"
                                               "[HKEY_CURRENT_USER\\Software\\Velmora]\r\n"
                                               "\"Speed\"=\"40\"\r\n; by hand");
    for (const char stray : {'!', '\n', '\0'}) {
        Store(start + std::string(1, stray));
        std::ostringstream diagnostics;
        {
            FileRegistry reg(file, &diagnostics);
            EXPECT_EQ(ReadAll(reg).Speed, 40);
            SettingsStore ini(reg, kSettingsBaseKey);
            ini.WriteValueText("\\Software\\Other", "Added", "yes");
        }
        FileRegistry again(file, &diagnostics);
        EXPECT_EQ(ReadAll(again).Speed, 40);
        SettingsStore ini(again, kSettingsBaseKey);
        EXPECT_EQ(ini.ReadValueText("\\Software\\Other", "Added", "lost"), "yes");
        EXPECT_EQ(diagnostics.str(), "") << int(stray);
        EXPECT_EQ(Contents().size() % 2, 0u) << "whole code units";
    }
}

// Reading every setting parses the file once; it is parsed again only when it has changed, and
// not after this process's own save.
TEST_F(FileRegistryTest, ParseIsReusedWhileTheFileIsUnchanged) {
    Store("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"20\"\n");
    FileRegistry reg(file);
    EXPECT_EQ(ReadAll(reg).Speed, 20);
    EXPECT_EQ(reg.Parses(), 1u);
    ReadAll(reg);
    EXPECT_EQ(reg.Parses(), 1u);
    // Another writer: the same size, so only the file's times tell.
    Store("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Velmora]\n\"Speed\"=\"25\"\n");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(ReadAll(reg).Speed, 25);
    EXPECT_EQ(reg.Parses(), 2u);
    {
        SettingsStore ini(reg, kSettingsBaseKey);
        ini.WriteValueInt(kSettingsSection, "Speed", 30);
    }
    EXPECT_EQ(ReadAll(reg).Speed, 30);
    EXPECT_EQ(reg.Parses(), 2u) << "our own save is known without reading it back";
}

TEST(DefaultRegistryPath, FollowsXdgConfigHomeAndFallsBackToDotConfig) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    std::string keepXdg = savedXdg ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    std::string keepHome = savedHome ? savedHome : "";

    ::setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/x/conf/velmora/user.reg");
    ::setenv("HOME", "/home/u", 1);
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(DefaultRegistryPath(), "/home/u/.config/velmora/user.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultRegistryPath(), "/home/u/.config/velmora/user.reg");

    if (savedXdg) ::setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1);
    if (savedHome)
        ::setenv("HOME", keepHome.c_str(), 1);
    else
        ::unsetenv("HOME");
}

}  // namespace
