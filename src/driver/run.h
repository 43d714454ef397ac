// The program body: options, run mode, and the list run.
#ifndef CORVANE_DRIVER_RUN_H_
#define CORVANE_DRIVER_RUN_H_

#define CORVANE_USAGE \
  "Usage: corvane [/X:<exe-file>] [/B:<b-params>] /L:<filelist> [/E:<e-params>]"
#define CORVANE_CAPTION "Corvane v1.3"

// Reads the options and takes one of three ends: the usage box, opening the single argument,
// or the list run. Ends the process, with 0 unless a list-file failure ended it earlier.
[[noreturn]] void Run();

// The usage box; which button closed it does not matter. Under /Q there is none: a run nobody
// watches ends at once with 87 instead.
void ShowUsageBox();

// Starts one instance per entry of FileList.
void RunList();

#endif  // CORVANE_DRIVER_RUN_H_
