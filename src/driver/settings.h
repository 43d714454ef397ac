// The process-wide settings, filled from the command line.
#ifndef CORVANE_DRIVER_SETTINGS_H_
#define CORVANE_DRIVER_SETTINGS_H_

#include "text/text.h"

extern Text ExeFile;   // /X: the program to start; rewritten per entry when looked up
extern Text FileList;  // /L: the list file
extern Text BParams;   // /B: put before each entry
extern Text EParams;   // /E: put after each entry
extern Text Encoding;  // /C: the list's encoding; empty: the list's own mark, or each entry's
extern bool WaitIdle;  // cleared by /W
extern bool Preview;   // /N: each start is shown, none is made

// Back to the values a process starts with.
void ResetSettings();

#endif  // CORVANE_DRIVER_SETTINGS_H_
