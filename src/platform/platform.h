// The one seam between corvane and the operating system. Each operation mirrors the Windows
// call it stands for; win32.cpp makes those calls, posix.cpp is the Linux port, and fake.cpp
// records every call for the unit tests. Exactly one of them is linked into a program.
#ifndef CORVANE_PLATFORM_PLATFORM_H_
#define CORVANE_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>

namespace platform {

// Same members, types and layout as SHELLEXECUTEINFOA (112 bytes on 64-bit, 60 on 32-bit), so
// the launcher fills the very record the shell reads; win32.cpp checks the layout at compile time.
struct ShellExecuteRecord {
  uint32_t cbSize;
  uint32_t fMask;
  void* hwnd;
  const char* lpVerb;
  const char* lpFile;
  const char* lpParameters;
  const char* lpDirectory;
  int32_t nShow;
  void* hInstApp;
  void* lpIDList;
  const char* lpClass;
  void* hkeyClass;
  uint32_t dwHotKey;
  void* hIcon;  // a union with hMonitor in the Windows header
  void* hProcess;
};

const uint32_t kSeeMaskNoCloseProcess = 0x40;
const int32_t kShowHide = 0;
const int32_t kShowDefault = 10;
const uint32_t kInfinite = 0xFFFFFFFF;
const uint32_t kIconInformation = 0x40;
const uint32_t kBrokenPipe = 109;

// The raw command line, program name first, for the program to split by its own rules; null
// where the platform hands over arguments it has already split (argv on Linux).
const char* RawCommandLine();
// The arguments after the program name as the platform split them, when RawCommandLine is null.
int SplitArgumentCount();
const char* SplitArgument(int index);  // 1-based
// GetModuleFileNameA(null, buffer, room): the characters written, 0 on failure.
uint32_t ModuleFileName(char* buffer, uint32_t room);

// MessageBoxA with no owner window.
void ShowMessage(const char* text, const char* caption, uint32_t style);

// ShellExecuteExA: true on success, with record->hProcess set or null.
bool ShellExecuteRequest(ShellExecuteRecord* record);
// WaitForInputIdle; its result is of no use to corvane.
void WaitUntilInputIdle(void* process, uint32_t milliseconds);
// CloseHandle of a started process's handle.
void CloseProcessHandle(void* process);
// FindExecutableA: a code above 32 means the program's path was written to result.
uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result);

// CreateFileA for reading, sharing reads only, the file existing: false when no handle came back.
bool OpenForReading(const char* path, void** file);
// ReadFile of at most room bytes; *count is what arrived.
bool ReadBytes(void* file, char* buffer, uint32_t room, uint32_t* count);
// CloseHandle of the list file.
bool CloseFile(void* file);
// GetLastError: the code of the most recent failed call above.
uint32_t LastErrorCode();

// ExitProcess.
[[noreturn]] void EndProcess(uint32_t code);

}  // namespace platform

#endif  // CORVANE_PLATFORM_PLATFORM_H_
