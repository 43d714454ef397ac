#include "launch/start_instance.h"

#include <cstring>

#include "driver/settings.h"
#include "platform/platform.h"

void StartInstance(const Text& program, const Text& command, bool direct) {
  platform::ShellExecuteRecord record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = sizeof record;
  // Not SEE_MASK_FLAG_NO_UI: a failed start is left to the shell to report.
  record.fMask = platform::kSeeMaskNoCloseProcess;
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
