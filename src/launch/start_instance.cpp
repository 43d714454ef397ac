#include "launch/start_instance.h"

#include <cstring>

#include "driver/settings.h"
#include "platform/platform.h"

void PrepareShell() { platform::PrepareShell(platform::kComApartmentNoDde); }

void StartInstance(const Text& program, const Text& command, bool direct) {
  platform::ShellExecuteRecord record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = sizeof record;
  // Not SEE_MASK_FLAG_NO_UI: a failed start is left to the shell to report. NOASYNC: the shell
  // may finish a start on another thread, which corvane's exit right after would cut short.
  record.fMask = platform::kSeeMaskNoCloseProcess | platform::kSeeMaskNoAsync;
  if (direct) {
    record.lpFile = ZeroTerminatedOf(command);
    record.lpParameters = nullptr;
  } else {
    record.lpFile = ZeroTerminatedOf(program);
    record.lpParameters = ZeroTerminatedOf(command);
  }
  // Direct mode too: a document opened hidden gets a window the user can neither see nor close.
  record.nShow = platform::kShowDefault;
  if (!platform::ShellExecuteRequest(&record)) return;
  if (!record.hProcess) return;
  if (WaitIdle) platform::WaitUntilInputIdle(record.hProcess, platform::kInfinite);
  platform::CloseProcessHandle(record.hProcess);
}
