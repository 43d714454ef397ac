// The values of the options that shape each start, checked before anything is started.
#ifndef CORVANE_DRIVER_START_OPTIONS_H_
#define CORVANE_DRIVER_START_OPTIONS_H_

#include <cstdint>

#include "launch/start_instance.h"
#include "runtime/list_encoding.h"
#include "text/text.h"

// A value that names nothing corvane can use ends the process before anything is started: the
// usage box, a line naming the option and its value, and exit code 87.
[[noreturn]] void RefuseValue(char letter, const Text& value, const char* why);

// The list's encoding from /C:.
ListEncoding CheckedEncoding();
// Every start's settings from /W, /F, /T, /Q, /V and /S, and how preview and log lines end.
StartSettings CheckedStartSettings();
// The pause between two starts from /P:, in milliseconds; 0 without it.
uint32_t CheckedPause();

// Seconds with at most three decimals, from 0 to 1000000, as milliseconds; false when the text
// is no such number.
bool MillisecondsOf(const Text& seconds, uint32_t* milliseconds);
// normal, min, max or hidden in any letter case, or a number from 0 to 11.
bool ShowStateOf(const Text& state, int32_t* show);

#endif  // CORVANE_DRIVER_START_OPTIONS_H_
