#include "convert_core.h"
#include "job_script.h"

std::wstring getFileName(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return path;
    return path.substr(slash + 1);
}

std::wstring ConvertCore::makeOutputPath(const std::wstring& sourcePath,
                                         const std::wstring& folder) const {
    std::wstring path = folder + L"\\" + getFileName(sourcePath);
    if (outputExtension.empty()) return path;

    const size_t dot = path.rfind(L'.');
    const size_t slash = path.rfind(L'\\');
    if (dot == std::wstring::npos || dot < slash) return path + L"." + outputExtension;
    return path.substr(0, dot + 1) + outputExtension;
}
