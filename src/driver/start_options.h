// The values of the options that shape each start, checked before anything is started.
#ifndef CORVANE_DRIVER_START_OPTIONS_H_
#define CORVANE_DRIVER_START_OPTIONS_H_

#include <cstdint>

#include "launch/start_instance.h"
#include "runtime/list_encoding.h"
#include "text/text.h"

// A value that names nothing corvane can use ends the process before anything is started: the
// usage box (none under /Q), a line naming the option and its value, and exit code 87.
[[noreturn]] void RefuseValue(char letter, const Text& value, const char* why);
// The same for an option that cannot be used as it is given: the line names it as written.
[[noreturn]] void RefuseOption(const char* option, const char* why);

// /I: each %NAME% in the values of /X, /B, /E, /D, /L and /O replaced by its variable's value.
// A value that would grow past 32,767 characters is refused.
void ExpandOptionValues();
// The text with each %NAME% replaced, as the system expands it; false when it would grow past
// 32,767 characters, the most a Windows command line or path can hold.
bool Expanded(const Text& text, Text* expanded);

// The list's encoding from /C:.
ListEncoding CheckedEncoding();
// Every start's settings from /W, /F, /T, /Q, /V and /S, and how preview and log lines end.
StartSettings CheckedStartSettings();

// How the list run paces and repeats its starts.
struct RunPlan {
  uint32_t pause_ms = 0;        // /P: between two starts
  uint32_t first_pause_ms = 0;  // /P:<between>,<first>: before the first entry
  uint32_t retries = 0;         // /R: more tries for a start the shell refuses
  uint32_t retry_pause_ms = 5000;
};
// From /P and /R, with /D: and /A checked too.
RunPlan CheckedRunPlan();

// Seconds with at most three decimals, from 0 to most_seconds, as milliseconds; false when the
// text is no such number.
bool MillisecondsOf(const Text& seconds, uint32_t* milliseconds, uint32_t most_seconds = 1000000);
// normal, min, max or hidden in any letter case, or a number from 0 to 11.
bool ShowStateOf(const Text& state, int32_t* show);

#endif  // CORVANE_DRIVER_START_OPTIONS_H_
