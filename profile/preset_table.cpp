#include "preset_table.h"

const PresetRow gAudioPresets[] = {
    {L"WAV", L"-vn -ar 44100", L"wav"},
    {L"MPEG4 Audio", L"-vn -acodec libvo_aacenc -b:a 112k -ac 2 -ar 48000", L"m4a"},
    {L"Ac3 DVD - 192kbps Stereo", L"-f ac3 -acodec ac3 -b:a 192k -ar 48000 -ac 2", L"ac3"},
    {L"Ac3 DVD - 384kbps Stereo", L"-f ac3 -acodec ac3 -b:a 384k -ar 48000 -ac 2", L"ac3"},
    {L"MP3", L"-acodec libmp3lame -b:a 160k -ac 2 -ar 44100", L"mp3"},
    {L"OGG", L"-acodec libvorbis -aq 3 -vn -ac 2", L"ogg"},
    {L"WMA", L"-vn -acodec wmav2 -b:a 160k", L"wma"},
    {nullptr, nullptr, nullptr},
};
