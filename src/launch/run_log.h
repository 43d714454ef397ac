// The run log: one line for every entry started, appended as soon as its start and its wait
// are over, so that a run nobody watched can be read back afterwards.
#ifndef CORVANE_LAUNCH_RUN_LOG_H_
#define CORVANE_LAUNCH_RUN_LOG_H_

#include "launch/start_instance.h"
#include "platform/platform.h"
#include "text/text.h"

// Opens the log for appending, creating it when missing, and ends a last line that a failed
// write cut short. A failure ends the process with the system's code, before anything is started.
void OpenRunLog(const Text& path);

// The entry's line in the list, when its start was asked, how it went, and the request's fields.
// A failed start that will be tried again is a "retry". A failed write ends the process at once
// with the system's code.
void LogStart(unsigned long long line_number, const platform::LocalTime& asked,
              const StartOutcome& outcome, const StartRequest& request,
              const StartSettings& settings, bool will_retry = false);

// Once the list is done; the same failure end.
void CloseRunLog();

#endif  // CORVANE_LAUNCH_RUN_LOG_H_
