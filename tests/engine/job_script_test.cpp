#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "app_data.h"
#include "convert_core.h"
#include "job_script.h"
#include "script_folder_blocker.h"

namespace {

const std::wstring kTranscoder = L"C:\\Program Files\\Velmora\\core\\kalder.exe";
const std::wstring kMp3Options = L"-acodec libmp3lame -b:a 160k -ac 2 -ar 44100";

std::string readBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

struct ScriptCase {
    const char* name;
    std::wstring source;
    const std::wstring* output;
    std::wstring scriptPath;
    std::string expected;
};

TEST(JobScript, TextIsFiveLinesOfUtf8WithDoubledPercentSigns) {
    const std::wstring plainOutput = L"D:\\out\\song.mp3";
    const std::wstring oddOutput = L"D:\\out\\100% hits \u00e9\u4e2d.mp3";
    const ScriptCase cases[] = {
        {"probe", L"C:\\in\\song.flac", nullptr, L"C:\\data\\Lumiq\\zelt5012345.bat",
         "chcp 65001\r\n\r\n"
         "\"C:\\Program Files\\Velmora\\core\\kalder.exe\" -i \"C:\\in\\song.flac\"\r\n\r\n"
         "del \"C:\\data\\Lumiq\\zelt5012345.bat\""},
        {"convert", L"C:\\in\\song.flac", &plainOutput, L"C:\\data\\Lumiq\\zelt7.bat",
         "chcp 65001\r\n\r\n"
         "\"C:\\Program Files\\Velmora\\core\\kalder.exe\" -y -i \"C:\\in\\song.flac\" "
         "-acodec libmp3lame -b:a 160k -ac 2 -ar 44100 \"D:\\out\\song.mp3\"\r\n\r\n"
         "del \"C:\\data\\Lumiq\\zelt7.bat\""},
        {"convert, non-ASCII and percent", L"C:\\in\\100% hits \u00e9\u4e2d.flac", &oddOutput,
         L"C:\\data 50%\\Lumiq\\zelt-12.bat",
         "chcp 65001\r\n\r\n"
         "\"C:\\Program Files\\Velmora\\core\\kalder.exe\" -y -i \"C:\\in\\100%% hits \xC3\xA9\xE4\xB8\xAD.flac\" "
         "-acodec libmp3lame -b:a 160k -ac 2 -ar 44100 \"D:\\out\\100%% hits \xC3\xA9\xE4\xB8\xAD.mp3\"\r\n\r\n"
         "del \"C:\\data 50%%\\Lumiq\\zelt-12.bat\""},
        {"probe, percent names", L"C:\\in\\%PATH% x.wav", nullptr, L"C:\\d\\zelt1.bat",
         "chcp 65001\r\n\r\n"
         "\"C:\\Program Files\\Velmora\\core\\kalder.exe\" -i \"C:\\in\\%%PATH%% x.wav\"\r\n\r\n"
         "del \"C:\\d\\zelt1.bat\""},
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring text = jobScriptText(kTranscoder, c.source, kMp3Options, c.output, c.scriptPath);
        EXPECT_EQ(jobScriptBytes(text), c.expected);
    }
}

TEST(JobScript, ProbeLineCarriesNoOptionsAndNoReplaceFlag) {
    const std::wstring text = jobScriptText(kTranscoder, L"C:\\in\\a.wav", kMp3Options, nullptr, L"C:\\s.bat");
    EXPECT_EQ(text.find(L"-y"), std::wstring::npos);
    EXPECT_EQ(text.find(L"libmp3lame"), std::wstring::npos);
}

TEST(JobScript, IsWrittenIntoTheLumiqFolderOfTheApplicationData) {
    ConvertCore engine;
    engine.transcoderPath = kTranscoder;
    const std::wstring output = L"D:\\out\\caf\u00e9.mp3";
    const std::wstring script = engine.writeJobScript(L"C:\\in\\caf\u00e9.flac", kMp3Options, &output);
    ASSERT_FALSE(script.empty());

    const std::wstring folder = roamingAppDataFolder() + L"\\Lumiq\\";
    ASSERT_EQ(script.compare(0, folder.size(), folder), 0);
    const std::wstring name = script.substr(folder.size());
    ASSERT_GT(name.size(), 8u);
    EXPECT_EQ(name.substr(0, 4), L"zelt");
    EXPECT_EQ(name.substr(name.size() - 4), L".bat");
    EXPECT_EQ(name.find_first_not_of(L"-0123456789", 4), name.size() - 4);

    const std::string bytes = readBytes(script);
    const std::string expected = jobScriptBytes(jobScriptText(kTranscoder, L"C:\\in\\caf\u00e9.flac", kMp3Options,
                                                              &output, script));
    EXPECT_EQ(bytes, expected);
    EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(bytes.find("caf\xC3\xA9.flac"), std::string::npos);
    EXPECT_NE(bytes.back(), '\n');
    EXPECT_TRUE(DeleteFileW(script.c_str()));
}

TEST(JobScript, ScriptNameNeverOverflowsAPathBuffer) {
    // 259 units is the longest path a 260-unit buffer holds with its terminator.
    const std::wstring suffix = L"\\Lumiq\\zelt1234";
    const std::wstring fits = L"C:\\" + std::wstring(259 - 3 - suffix.size(), L'a');
    EXPECT_EQ(composeJobScriptBase(fits, 1234).size(), 259u);
    EXPECT_EQ(composeJobScriptBase(fits + L"a", 1234), L"");
    EXPECT_EQ(composeJobScriptBase(std::wstring(5000, L'b'), 1234), L"");
    EXPECT_EQ(composeJobScriptBase(L"C:\\x", 0xFFFFFFFFu), L"C:\\x\\Lumiq\\zelt-1");
    EXPECT_EQ(composeJobScriptBase(L"", 42), L"\\Lumiq\\zelt42");
}

TEST(JobScript, UncreatableScriptGivesAnEmptyPath) {
    // A file where the script folder should be: the script cannot be created.
    ScriptFolderBlocker blocker(roamingAppDataFolder() + L"\\Lumiq");
    ASSERT_TRUE(blocker.blocking());

    ConvertCore engine;
    engine.transcoderPath = kTranscoder;
    EXPECT_EQ(engine.writeJobScript(L"C:\\in\\a.wav", L"", nullptr), L"");
}

}  // namespace
