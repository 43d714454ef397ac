// The one place where corvane starts anything: a single request to the shell.
#ifndef CORVANE_LAUNCH_START_INSTANCE_H_
#define CORVANE_LAUNCH_START_INSTANCE_H_

#include <cstdint>

#include "platform/platform.h"
#include "text/text.h"

// What corvane waits for after a start before it goes on.
enum class WaitMode { kNone, kInputIdle, kEnd };

// How every start of a run is made.
struct StartSettings {
  WaitMode wait = WaitMode::kInputIdle;
  uint32_t wait_bound_ms = platform::kInfinite;  // for each wait
  bool quiet = false;                            // the shell shows nothing when a start fails
  Text verb;                                     // empty: the file type's default verb
  int32_t show = platform::kShowDefault;
  bool report_verb_and_folder = false;  // preview and log lines end with both
};

// One start. Program mode starts program with command as its parameters; direct mode hands
// command itself to the shell to open, and program is not used.
struct StartRequest {
  Text program;
  Text command;
  bool direct = false;
  Text folder;  // where the program starts; empty: corvane's own current folder
};

// kRunning: not started, since the program already runs (process_id tells which).
enum class StartResult { kStarted, kFailed, kTimedOut, kExited, kRunning };

struct StartOutcome {
  StartResult result = StartResult::kStarted;
  uint32_t code = 0;        // kFailed: the system's error code; kExited: the exit code
  uint32_t process_id = 0;  // 0: no process to tell of
};

// Starts, then waits as the settings say. A failure is the shell's to show unless quiet; this
// always returns.
StartOutcome StartInstance(const StartRequest& request, const StartSettings& settings);

// Once, before the first start: associations whose verb a COM handler or DDE carries out need
// COM on this thread.
void PrepareShell(const StartSettings& settings);

#endif  // CORVANE_LAUNCH_START_INSTANCE_H_
