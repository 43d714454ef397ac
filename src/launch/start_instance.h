// The one place where corvane starts anything: a single request to the shell.
#ifndef CORVANE_LAUNCH_START_INSTANCE_H_
#define CORVANE_LAUNCH_START_INSTANCE_H_

#include "text/text.h"

// Program mode starts program with command as its parameters; direct mode hands command itself
// to the shell to open, and program is not used. Waits for the started program to become
// input-idle when WaitIdle is set. Failures are the shell's to show; this always returns.
void StartInstance(const Text& program, const Text& command, bool direct);

// Once, before the first start: associations whose verb a COM handler or DDE carries out need
// COM on this thread.
void PrepareShell();

#endif  // CORVANE_LAUNCH_START_INSTANCE_H_
