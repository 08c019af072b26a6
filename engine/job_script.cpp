#include "job_script.h"

#include <direct.h>

#include "app_data.h"
#include "convert_core.h"
#include "transcoder.h"

namespace {

// The script's bytes are UTF-8, and the interpreter decodes the lines after "chcp" in the
// code page it names, so the line must name UTF-8 itself and not the ANSI code page.
constexpr unsigned kScriptCodePage = CP_UTF8;

constexpr wchar_t kScriptFolderName[] = L"\\Lumiq";
constexpr wchar_t kScriptPrefix[] = L"zelt";
constexpr wchar_t kScriptExtension[] = L".bat";

}  // namespace

std::wstring composeJobScriptBase(const std::wstring& appDataFolder, DWORD tickCount) {
    const std::wstring folder = appDataFolder + kScriptFolderName;
    const std::wstring base = folder + L"\\" + kScriptPrefix + tickCountText(tickCount);
    if (!fitsPathBuffer(folder) || !fitsPathBuffer(base)) return std::wstring();
    return base;
}

std::wstring makeJobScriptBase() {
    const std::wstring appData = roamingAppDataFolder();
    const std::wstring base = composeJobScriptBase(appData, GetTickCount());
    if (base.empty()) return base;
    _wmkdir((appData + kScriptFolderName).c_str());
    return base;
}

std::wstring escapeForBatch(const std::wstring& path) {
    std::wstring escaped;
    escaped.reserve(path.size());
    for (wchar_t unit : path) {
        escaped += unit;
        if (unit == L'%') escaped += L'%';
    }
    return escaped;
}

std::wstring jobScriptText(const std::wstring& transcoderPath, const std::wstring& sourcePath,
                           const std::wstring& options, const std::wstring* outputPath,
                           const std::wstring& scriptPath) {
    std::wstring text = L"chcp " + std::to_wstring(kScriptCodePage) + L"\n\n";
    if (outputPath) {
        text += transcoder::convertCommand(escapeForBatch(transcoderPath), escapeForBatch(sourcePath),
                                           options, escapeForBatch(*outputPath));
    } else {
        text += transcoder::probeCommand(escapeForBatch(transcoderPath), escapeForBatch(sourcePath));
    }
    text += L"\n\ndel \"" + escapeForBatch(scriptPath) + L"\"";
    return text;
}

std::string jobScriptBytes(const std::wstring& text) {
    std::wstring crlf;
    crlf.reserve(text.size() + 8);
    for (wchar_t unit : text) {
        if (unit == L'\n') crlf += L'\r';
        crlf += unit;
    }
    if (crlf.empty()) return std::string();
    const int length = WideCharToMultiByte(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), &bytes[0], length,
                        nullptr, nullptr);
    return bytes;
}

bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (ok && written == bytes.size()) return true;
    DeleteFileW(path.c_str());
    return false;
}

std::wstring ConvertCore::writeJobScript(const std::wstring& sourcePath, const std::wstring& options,
                                         const std::wstring* outputPath) const {
    const std::wstring base = makeJobScriptBase();
    if (base.empty()) return std::wstring();
    const std::wstring scriptPath = base + kScriptExtension;
    if (!fitsPathBuffer(scriptPath)) return std::wstring();

    const std::wstring text = jobScriptText(transcoderPath, sourcePath, options, outputPath, scriptPath);
    if (!writeFileBytes(scriptPath, jobScriptBytes(text))) return std::wstring();
    return scriptPath;
}
