// Whether the program that an entry names already runs, so that a run can be repeated without
// starting a second copy of everything.
#ifndef CORVANE_LAUNCH_RUNNING_PROGRAM_H_
#define CORVANE_LAUNCH_RUNNING_PROGRAM_H_

#include <cstdint>

#include "text/text.h"

// The id of a process of corvane's own session (Linux: user) whose image is the file, or 0 when
// none is. A file without a folder part (notepad.exe) matches any image of that name; any other
// is made full (from folder when not empty), with long names and links resolved, and matches
// that very image. A file that is not there matches nothing.
// Entries that follow one another with nothing started between them look at one walk of the
// processes; once corvane has started something, the next looks afresh.
uint32_t RunningProcessOf(const Text& file, const Text& folder);
// After each start that started something: what runs has changed.
void ForgetRunningProcesses();

#endif  // CORVANE_LAUNCH_RUNNING_PROGRAM_H_
