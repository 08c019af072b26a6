#include "output_parser.h"

#include <cstdlib>
#include <vector>

#include "convert_core.h"
#include "transcoder.h"

std::string pendingOutput;

namespace {

// Splits like a line reader with ':' as delimiter: no field for an empty text and no
// empty last field after a trailing colon.
std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields;
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t colon = text.find(':', begin);
        if (colon == std::string::npos) {
            fields.push_back(text.substr(begin));
            break;
        }
        fields.push_back(text.substr(begin, colon - begin));
        begin = colon + 1;
    }
    return fields;
}

double fieldValue(const std::string& field) { return std::strtod(field.c_str(), nullptr); }

}  // namespace

uint32_t parseTimestamp(const std::string& text) {
    const std::vector<std::string> fields = splitFields(text);
    if (fields.size() != 3) return 0;

    const double sum = fieldValue(fields[0]) * 3600.0 + fieldValue(fields[1]) * 60.0;
    const double seconds = fieldValue(fields[2]) + sum + 0.5;
    // Out of the 64-bit range (or not a number) the conversion would be undefined.
    if (!(seconds > -9.2e18 && seconds < 9.2e18)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(seconds));
}

uint32_t parseDuration(const std::string& report) {
    if (report.empty()) return 0;
    const size_t marker = report.find(transcoder::kDurationMarker);
    if (marker == std::string::npos) return 0;
    const size_t comma = report.find(',', marker);
    if (comma == std::string::npos) return 0;
    const size_t valueBegin = marker + sizeof(transcoder::kDurationMarker) - 1;
    if (comma < valueBegin) return 0;
    return parseTimestamp(report.substr(valueBegin, comma - valueBegin));
}

void parseProgress(ConvertCore& engine, const std::string& chunk) {
    uint32_t duration = 0;
    {
        JobLockGuard guard(engine.jobLock);
        const int32_t current = engine.currentJobIndex;
        if (current >= 0 && static_cast<size_t>(current) < engine.jobs.size()) {
            duration = engine.jobs[static_cast<size_t>(current)]->durationSeconds;
        }
    }
    if (duration == 0) return;

    pendingOutput += chunk;
    if (pendingOutput.empty()) return;
    const char last = pendingOutput.back();
    if (last != '\r' && last != '\n') return;

    const size_t marker = pendingOutput.find(transcoder::kTimeMarker);
    if (marker != std::string::npos) {
        const size_t valueBegin = marker + sizeof(transcoder::kTimeMarker) - 1;
        const size_t space = pendingOutput.find(' ', valueBegin);
        if (space != std::string::npos) {
            const uint32_t seconds = parseTimestamp(pendingOutput.substr(valueBegin, space - valueBegin));
            if (seconds > 0) {
                const double percent = static_cast<double>(seconds) * 100.0 / static_cast<double>(duration);
                // Far beyond the duration the value would not fit an integer; it is 100 % anyway.
                engine.setJobProgress(engine.currentJobIndex,
                                      percent >= 100.0 ? 100 : static_cast<int32_t>(percent));
            }
        }
    }
    pendingOutput.clear();
}
