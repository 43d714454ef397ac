#include "launch/start_instance.h"

#include <cstring>

namespace {

const char* TextOrNull(const Text& text) { return text.Empty() ? nullptr : ZeroTerminatedOf(text); }

// The old SE_ERR_ codes a refusal may leave in hInstApp, as the system error codes they stand
// for, so that a code and its message agree. 2, 3, 5 and 8 are the same in both.
uint32_t SystemCodeOf(uintptr_t shell_code) {
  switch (shell_code) {
    case 26: return 32;   // SE_ERR_SHARE: ERROR_SHARING_VIOLATION
    case 27:              // SE_ERR_ASSOCINCOMPLETE
    case 31: return 1155;  // SE_ERR_NOASSOC: ERROR_NO_ASSOCIATION
    case 28:               // SE_ERR_DDETIMEOUT
    case 29:               // SE_ERR_DDEFAIL
    case 30: return 1156;  // SE_ERR_DDEBUSY: ERROR_DDE_FAIL
    case 32: return 1157;  // SE_ERR_DLLNOTFOUND: ERROR_DLL_NOT_FOUND
    default: return static_cast<uint32_t>(shell_code);
  }
}

// The wait the settings ask for, and what it tells of the started program.
void Wait(void* process, const StartSettings& settings, StartOutcome* outcome) {
  platform::WaitResult waited = platform::WaitResult::kDone;
  if (settings.wait == WaitMode::kInputIdle) {
    waited = platform::WaitUntilInputIdle(process, settings.wait_bound_ms);
  } else if (settings.wait == WaitMode::kEnd) {
    uint32_t exit_code = 0;
    waited = platform::WaitUntilEnded(process, settings.wait_bound_ms, &exit_code);
    if (waited == platform::WaitResult::kDone) {
      outcome->result = StartResult::kExited;
      outcome->code = exit_code;
    }
  }
  if (waited == platform::WaitResult::kTimedOut) outcome->result = StartResult::kTimedOut;
}

}  // namespace

void PrepareShell(const StartSettings& settings) {
  platform::PrepareShell(platform::kComApartmentNoDde);
  if (settings.wait == WaitMode::kEnd) platform::KeepExitCodes();
}

StartOutcome StartInstance(const StartRequest& request, const StartSettings& settings) {
  platform::ShellExecuteRecord record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = sizeof record;
  // Without quiet a failed start is left to the shell to report. NOASYNC: the shell may finish a
  // start on another thread, which corvane's exit right after would cut short.
  record.fMask = platform::kSeeMaskNoCloseProcess | platform::kSeeMaskNoAsync |
                 (settings.quiet ? platform::kSeeMaskFlagNoUi : 0);
  record.lpVerb = TextOrNull(settings.verb);
  if (request.direct) {
    record.lpFile = ZeroTerminatedOf(request.command);
    record.lpParameters = nullptr;
  } else {
    record.lpFile = ZeroTerminatedOf(request.program);
    record.lpParameters = ZeroTerminatedOf(request.command);
  }
  record.lpDirectory = TextOrNull(request.folder);
  // Direct mode too: a document opened hidden gets a window the user can neither see nor close.
  record.nShow = settings.show;
  StartOutcome outcome;
  if (!platform::ShellExecuteRequest(&record)) {
    outcome.result = StartResult::kFailed;
    // Some refusals leave only the old SE_ERR_ code in hInstApp.
    outcome.code = platform::LastErrorCode();
    if (outcome.code == 0)
      outcome.code = SystemCodeOf(reinterpret_cast<uintptr_t>(record.hInstApp));
    return outcome;
  }
  if (!record.hProcess) return outcome;
  outcome.process_id = platform::ProcessId(record.hProcess);
  Wait(record.hProcess, settings, &outcome);
  platform::CloseProcessHandle(record.hProcess);
  return outcome;
}
