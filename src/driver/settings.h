// The process-wide settings, filled from the command line.
#ifndef CORVANE_DRIVER_SETTINGS_H_
#define CORVANE_DRIVER_SETTINGS_H_

#include "launch/start_instance.h"
#include "text/text.h"

// An option whose value is checked once the options are read: whether it was given at all, its
// value as given, and whether it stood alone, with nothing after its letter (/D, not /D:).
struct OptionValue {
  bool given = false;
  Text value;
  bool bare = false;
};

extern Text ExeFile;   // /X: the program to start; rewritten per entry when looked up
extern Text FileList;  // /L: the list file
extern Text BParams;   // /B: put before each entry
extern Text EParams;   // /E: put after each entry
extern Text Encoding;  // /C: the list's encoding; empty: the list's own mark, or each entry's
extern WaitMode Wait;  // /W: none; /F: until the program ends; else until it is input-idle
extern bool Preview;   // /N: each start is shown, none is made
extern bool Quiet;     // /Q: no error box from the shell; exit code 1 when an entry failed
extern OptionValue LogFile;      // /O: the run log
extern OptionValue WaitBound;    // /T: seconds each wait may take
extern OptionValue Verb;         // /V: the shell verb
extern OptionValue ShowState;    // /S: the window state asked of each program
extern OptionValue StartFolder;  // /D: where programs start; bare: each entry's own folder
extern OptionValue PauseTime;    // /P: seconds between two starts, and before the first
extern bool Expand;              // /I: %NAME% in entries and option values
extern bool Comments;            // /K: lines that start with ; or # are no entries
extern OptionValue Retries;      // /R: more tries for a refused start, and the seconds between
extern bool SkipRunning;         // /A: a program that already runs is not started again

// Back to the values a process starts with.
void ResetSettings();

#endif  // CORVANE_DRIVER_SETTINGS_H_
