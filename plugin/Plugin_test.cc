// The plug-in as the host sees it: loaded from Zelvorin.vxl, called through
// its exports, answering through PluginIf.dll.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "testhost/HostControl.h"
#include "testhost/LoadedPlugin.h"
#include "testhost/MessageBoxRecorder.h"

namespace {

const char kAboutText[] =
    "圧縮地図用 数値地図差し替えプラグイン for VOLTANA 3D\n"
    "                     Ver 1.0.0\n"
    "\n"
    "Zelvorin: 50m メッシュで圧縮地図を訂正します.";
const char kTooOldText[] =
    "Zelvorin.vxl\nヴォルタナのバージョンが古いためこのプラグインは使用できません.";
const char kHostTitle[] = "テストホスト";

class PluginTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Plugin().module, nullptr) << "Zelvorin.vxl did not load";
        TH_Reset();
        MessageBoxRecorder::Boxes().clear();
        MessageBoxRecorder::SetAnswer(IDOK);
        s_init = Plugin().init;
        s_load = Plugin().load;
        s_close = Plugin().close;
        s_release = Plugin().release;
        s_about = Plugin().about;
        s_module = Plugin().module;
    }

    static std::vector<std::string> Calls() { return HostCalls(); }

    static void ExpectInformationBox(const RecordedMessageBox& box, const char* text) {
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(box.caption, kHostTitle) << "the host's title, from its string 57344";
        HWND main = FindWindowA("ZelvorinTestHostMain", nullptr);
        EXPECT_EQ(box.owner, main);
    }

    HMODULE s_module = nullptr;
    LoadedPlugin::InitFn s_init = nullptr;
    LoadedPlugin::IntFn s_load = nullptr, s_close = nullptr, s_about = nullptr;
    LoadedPlugin::VoidFn s_release = nullptr;
};

// ctest also runs this alone, so that nothing has called Init yet.
TEST_F(PluginTest, AboutWorksBeforeInit) {
    MessageBoxRecorder::SetAnswer(IDOK);
    EXPECT_EQ(s_about(), IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 1u);
    ExpectInformationBox(MessageBoxRecorder::Boxes()[0], kAboutText);
    EXPECT_TRUE(Calls().empty()) << "About asks the host nothing";
}

TEST_F(PluginTest, ExportsExactlyTheFiveEntryPointsAtOrdinalsOneToFive) {
    auto* base = reinterpret_cast<BYTE*>(s_module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    EXPECT_STREQ(reinterpret_cast<char*>(base + exports->Name), "Zelvorin.vxl");
    EXPECT_EQ(exports->NumberOfNames, 5u);
    EXPECT_EQ(exports->NumberOfFunctions, 5u);
    EXPECT_EQ(exports->Base, 1u);
    const char* names[] = {"Init", "Load", "Close", "Release", "About"};
    for (int ordinal = 1; ordinal <= 5; ++ordinal) {
        FARPROC byOrdinal = GetProcAddress(s_module, MAKEINTRESOURCEA(ordinal));
        EXPECT_NE(byOrdinal, nullptr);
        EXPECT_EQ(byOrdinal, GetProcAddress(s_module, names[ordinal - 1])) << names[ordinal - 1];
    }
}

TEST_F(PluginTest, HostOlderThan601IsRefusedAndTheRecordUntouched) {
    TH_SetVersion(600);
    tagPLUGININFO info;
    std::memset(&info, 0xCC, sizeof info);
    EXPECT_EQ(s_init(&info, 77), 0);
    const std::vector<unsigned char> untouched(sizeof info, 0xCC);
    EXPECT_EQ(std::memcmp(&info, untouched.data(), sizeof info), 0);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 1u);
    ExpectInformationBox(MessageBoxRecorder::Boxes()[0], kTooOldText);

    // The identifier was kept all the same: Load hands it to the host.
    EXPECT_EQ(s_load(), 1);
    unsigned identifier = 0, number = 0;
    const char* label = nullptr;
    VXP_MENUPROC callback = nullptr;
    ASSERT_EQ(TH_MenuCount(), 2);
    TH_Menu(0, &identifier, &number, &label, &callback);
    EXPECT_EQ(identifier, 77u);
}

TEST_F(PluginTest, Host601GetsTheRecordFilledByteForByte) {
    TH_SetVersion(601);
    unsigned char bytes[sizeof(tagPLUGININFO)];
    std::memset(bytes, 0xCC, sizeof bytes);
    EXPECT_EQ(s_init(reinterpret_cast<tagPLUGININFO*>(bytes), 5), 1);
    EXPECT_TRUE(MessageBoxRecorder::Boxes().empty());

    unsigned char expected[sizeof bytes];
    std::memset(expected, 0xCC, sizeof expected);
    const uint32_t size = 280, flags = 1;
    const char title[] = "圧縮地図用 数値地図差し替えプラグイン";
    std::memcpy(expected, &size, 4);
    std::memcpy(expected + 4, title, sizeof title);
    std::memcpy(expected + 84, "1.0", 4);
    expected[114] = 0;
    std::memcpy(expected + 276, &flags, 4);
    for (size_t i = 0; i < sizeof bytes; ++i) EXPECT_EQ(bytes[i], expected[i]) << "byte " << i;
    EXPECT_EQ(Calls(), std::vector<std::string>{"VXP_GetVersion()"});
}

TEST_F(PluginTest, LoadAddsTheMenuCommandWithTheIdentifierFromInit) {
    tagPLUGININFO info = {};
    ASSERT_EQ(s_init(&info, 1234), 1);
    EXPECT_EQ(s_load(), 1);
    // The correction first, then the undo command, under one identifier
    // and number.
    ASSERT_EQ(TH_MenuCount(), 2);
    const char* labels[] = {"数値地図(圧縮地図)の差し替え", "数値地図の訂正を元に戻す"};
    VXP_MENUPROC callbacks[2] = {};
    for (int i = 0; i < 2; ++i) {
        unsigned identifier = 0, number = 0;
        const char* label = nullptr;
        TH_Menu(i, &identifier, &number, &label, &callbacks[i]);
        EXPECT_EQ(identifier, 1234u);
        EXPECT_EQ(number, 20720u);
        EXPECT_STREQ(label, labels[i]);
        ASSERT_NE(callbacks[i], nullptr);
        const int before = TH_CallCount();
        EXPECT_EQ(callbacks[i](5, 0, 0), 0) << "codes other than 100 do nothing";
        EXPECT_EQ(TH_CallCount(), before);
    }
    EXPECT_NE(callbacks[0], callbacks[1]);
    EXPECT_TRUE(MessageBoxRecorder::Boxes().empty());
}

TEST_F(PluginTest, CloseAndReleaseDoNothing) {
    EXPECT_EQ(s_close(), 1);
    s_release();
    EXPECT_TRUE(Calls().empty());
    EXPECT_TRUE(MessageBoxRecorder::Boxes().empty());
}

TEST_F(PluginTest, VersionResourceNamesTheModule) {
    const char* path = "Zelvorin.vxl";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));
    auto value = [&](const char* name) {
        char* text = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\041104b0\\") + name;
        if (!VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&text), &length))
            return std::string("<none>");
        return std::string(text);
    };
    EXPECT_EQ(value("FileVersion"), "1, 0, 0, 1");
    EXPECT_EQ(value("ProductVersion"), "1.00");
    EXPECT_EQ(value("InternalName"), "Zelvorin");
    EXPECT_EQ(value("OriginalFilename"), "Zelvorin.vxl");
    EXPECT_EQ(value("FileDescription"), "ヴォルタナ ３Ｄ - 数値地図差し替え プラグイン");
    EXPECT_EQ(value("ProductName"), "ヴォルタナ");
    EXPECT_EQ(value("CompanyName"), "VOLTANA");
    EXPECT_EQ(value("PrivateBuild"), "7207");
}

}  // namespace
