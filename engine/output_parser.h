// Reading the transcoder's console text: the duration of a source and a conversion's progress.
#pragma once

#include <cstdint>
#include <string>

class ConvertCore;

// Whole seconds of an h:m:s text, rounded half up; 0 unless it has exactly three fields.
uint32_t parseTimestamp(const std::string& text);

// The duration after "Duration:" in a probe report, up to the next comma; 0 when none.
uint32_t parseDuration(const std::string& report);

// Collects chunks of a convert run's output until one ends a line, then sets the current
// job's progress from the first "time=" value in them.
void parseProgress(ConvertCore& engine, const std::string& chunk);

// Output collected by parseProgress that has not yet ended with a line break. It lives for
// the whole process and is not reset between jobs.
extern std::string pendingOutput;
