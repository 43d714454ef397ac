// The real ANSI Win32 calls.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>

#include "platform/platform.h"

namespace platform {

#define CORVANE_SAME_MEMBER(m)                                                           \
  static_assert(offsetof(ShellExecuteRecord, m) == offsetof(SHELLEXECUTEINFOA, m) &&     \
                    sizeof(ShellExecuteRecord::m) == sizeof(SHELLEXECUTEINFOA::m),       \
                "ShellExecuteRecord::" #m " differs from SHELLEXECUTEINFOA")
static_assert(sizeof(ShellExecuteRecord) == sizeof(SHELLEXECUTEINFOA), "record size");
CORVANE_SAME_MEMBER(cbSize);
CORVANE_SAME_MEMBER(fMask);
CORVANE_SAME_MEMBER(hwnd);
CORVANE_SAME_MEMBER(lpVerb);
CORVANE_SAME_MEMBER(lpFile);
CORVANE_SAME_MEMBER(lpParameters);
CORVANE_SAME_MEMBER(lpDirectory);
CORVANE_SAME_MEMBER(nShow);
CORVANE_SAME_MEMBER(hInstApp);
CORVANE_SAME_MEMBER(lpIDList);
CORVANE_SAME_MEMBER(lpClass);
CORVANE_SAME_MEMBER(hkeyClass);
CORVANE_SAME_MEMBER(dwHotKey);
CORVANE_SAME_MEMBER(hIcon);
CORVANE_SAME_MEMBER(hProcess);
static_assert(kSeeMaskNoCloseProcess == SEE_MASK_NOCLOSEPROCESS && kShowHide == SW_HIDE &&
                  kShowDefault == SW_SHOWDEFAULT && kInfinite == INFINITE &&
                  kIconInformation == MB_ICONINFORMATION && kBrokenPipe == ERROR_BROKEN_PIPE,
              "constants differ from the Windows headers");

const char* RawCommandLine() { return GetCommandLineA(); }
int SplitArgumentCount() { return 0; }
const char* SplitArgument(int) { return ""; }

uint32_t ModuleFileName(char* buffer, uint32_t room) {
  return GetModuleFileNameA(nullptr, buffer, room);
}

void ShowMessage(const char* text, const char* caption, uint32_t style) {
  MessageBoxA(nullptr, text, caption, style);
}

bool ShellExecuteRequest(ShellExecuteRecord* record) {
  return ShellExecuteExA(reinterpret_cast<SHELLEXECUTEINFOA*>(record)) != FALSE;
}

void WaitUntilInputIdle(void* process, uint32_t milliseconds) {
  WaitForInputIdle(process, milliseconds);
}

void CloseProcessHandle(void* process) { CloseHandle(process); }

uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result) {
  return reinterpret_cast<uintptr_t>(FindExecutableA(file, directory, result));
}

bool OpenForReading(const char* path, void** file) {
  *file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  return *file != INVALID_HANDLE_VALUE;
}

bool ReadBytes(void* file, char* buffer, uint32_t room, uint32_t* count) {
  DWORD got = 0;
  BOOL ok = ReadFile(file, buffer, room, &got, nullptr);
  *count = got;
  return ok != FALSE;
}

bool CloseFile(void* file) { return CloseHandle(file) != FALSE; }

uint32_t LastErrorCode() { return GetLastError(); }

void EndProcess(uint32_t code) { ExitProcess(code); }

}  // namespace platform
