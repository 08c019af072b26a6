// Which files the converter takes as sources, and what the open-file dialog offers.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "audio_converter.h"

const char gSourcePatterns[] =
    "*.mp3;*.wav;*.aac;*.m4a;*.m4b;*.wma;*.asf;*.ogg;*.flac;*.alac;*.ape;*.shn;*.ra;*.ram;*.rm;"
    "*.rmm;*.rmvb;*.amr;*.mka;*.tta;*.aiff;*.aif;*.au;*.mpc;*.spx;*.ac3;*.cue;*.mp2;*.caf";

std::vector<std::wstring> gAcceptedExtensions;

namespace {

const wchar_t kEmptyFilter[] = L"";

std::wstring widen(const char* ascii) {
    std::wstring wide;
    for (const char* c = ascii; *c; ++c) wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return wide;
}

struct FilterPair {
    std::wstring display;
    std::wstring pattern;
};

}  // namespace

const wchar_t* AudioConverter::getSourceExtensions() {
    if (!sourceExtensions.empty()) return sourceExtensions.c_str();
    sourceExtensions = widen(gSourcePatterns);
    sourceExtensions.erase(std::remove(sourceExtensions.begin(), sourceExtensions.end(), L'*'),
                           sourceExtensions.end());
    return sourceExtensions.c_str();
}

const wchar_t* AudioConverter::getFileDialogFilter() {
    if (fileDialogFilter) return fileDialogFilter;

    const std::wstring patterns = widen(gSourcePatterns);
    const FilterPair pairs[] = {
        {L"Audio Files(" + patterns + L")", patterns},
        {L"All Files(*.*)", L"*.*"},
    };
    size_t total = 0;
    for (const FilterPair& pair : pairs) total += pair.display.size() + pair.pattern.size() + 2;

    fileDialogFilter = static_cast<wchar_t*>(std::malloc((total + 1) * sizeof(wchar_t)));
    if (!fileDialogFilter) return kEmptyFilter;
    std::memset(fileDialogFilter, 0, (total + 1) * sizeof(wchar_t));

    size_t position = 0;
    for (const FilterPair& pair : pairs) {
        lstrcpyW(fileDialogFilter + position, pair.display.c_str());
        position += pair.display.size() + 1;
        lstrcpyW(fileDialogFilter + position, pair.pattern.c_str());
        position += pair.pattern.size() + 1;
    }
    return fileDialogFilter;
}

bool isAcceptedSourceFile(const std::wstring& path) {
    const std::wstring extensions = gAudioConverter->getSourceExtensions();
    if (extensions.empty()) return true;

    if (gAcceptedExtensions.empty()) {
        size_t begin = 0;
        for (;;) {
            const size_t semicolon = extensions.find(L';', begin);
            gAcceptedExtensions.push_back(extensions.substr(begin, semicolon - begin));
            if (semicolon == std::wstring::npos) break;
            begin = semicolon + 1;
        }
    }

    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    std::wstring extension = path.substr(dot);
    for (wchar_t& unit : extension) {
        if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit + 0x20);
    }
    for (const std::wstring& entry : gAcceptedExtensions) {
        if (extension.find(entry) != std::wstring::npos) return true;
    }
    return false;
}
