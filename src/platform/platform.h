// The one seam between corvane and the operating system. Each operation mirrors the Windows
// call it stands for; win32.cpp makes those calls, the posix*.cpp files are the Linux port,
// and fake.cpp records every call for the unit tests. Exactly one of the three is linked into
// a program.
// Every text that crosses the seam is UTF-8; win32.cpp converts to and from the UTF-16 of the
// wide Windows calls.
#ifndef CORVANE_PLATFORM_PLATFORM_H_
#define CORVANE_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>

namespace platform {

// Same members and layout as SHELLEXECUTEINFOW (112 bytes on 64-bit, 60 on 32-bit), with UTF-8
// texts in place of UTF-16 ones: win32.cpp checks the layout at compile time and converts only
// the texts, so the shell reads the very record the launcher filled.
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
const uint32_t kSeeMaskNoAsync = 0x100;
const uint32_t kSeeMaskFlagNoUi = 0x400;
const int32_t kShowHide = 0;
const int32_t kShowNormal = 1;
const int32_t kShowMaximized = 3;
const int32_t kShowMinNoActive = 7;
const int32_t kShowDefault = 10;
const int32_t kShowLast = 11;  // SW_FORCEMINIMIZE, the highest show state
const uint32_t kInfinite = 0xFFFFFFFF;
const uint32_t kIconInformation = 0x40;
const uint32_t kBrokenPipe = 109;
const uint32_t kInvalidParameter = 87;
const uint32_t kFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
const uint32_t kCancelled = 1223;       // ERROR_CANCELLED: the user declined an elevation prompt
// COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE
const uint32_t kComApartmentNoDde = 0x2 | 0x4;

// A path of MAX_PATH UTF-16 units as UTF-8 (at most three bytes each) and its zero: the room
// for the paths the system hands back.
const uint32_t kPathRoom = 3 * 260 + 1;

// The code pages MultiByteToWideChar knows as CP_ACP and CP_OEMCP.
const uint32_t kCodePageAnsi = 0;
const uint32_t kCodePageOem = 1;

// The raw command line, program name first, for the program to split by its own rules; null
// where the platform hands over arguments it has already split (argv on Linux).
const char* RawCommandLine();
// The arguments after the program name as the platform split them, when RawCommandLine is null.
int SplitArgumentCount();
const char* SplitArgument(int index);  // 1-based
// GetModuleFileNameW(null, ...) as UTF-8, cut to room bytes between two characters: the bytes
// written, 0 on failure.
uint32_t ModuleFileName(char* buffer, uint32_t room);

// MessageBoxW with no owner window.
void ShowMessage(const char* text, const char* caption, uint32_t style);
// One line for a person at a terminal: standard error on Linux. A Windows corvane has no
// console of its own, and drops it.
void WriteDiagnostic(const char* line);

// One line of a preview, without its line end, for a person or a program to read: standard
// output on Linux (LF after it). On Windows (CR LF after it): standard output when that is a
// file or a pipe, as UTF-8; else the console of the program that started corvane, as wide text;
// else one message box, shown by FinishOutput, with the first lines. False when the write
// failed; LastErrorCode tells why.
bool WriteOutputLine(const char* text, size_t length);
// Everything written is out, the message box shown with box_caption; false when a write failed.
// A box_last_line that is not null ends the message box (only the box: a file, a pipe or a
// console keeps just the lines written).
bool FinishOutput(const char* box_caption, const char* box_last_line);

// CoInitializeEx(null, flags): what the shell needs before a start whose verb a COM handler or
// DDE carries out. Its result is of no use to corvane.
void PrepareShell(uint32_t flags);
// ShellExecuteExW: true on success, with record->hProcess set or null.
bool ShellExecuteRequest(ShellExecuteRecord* record);
// Whether a wait for a started program ended because the program got there, because the bound
// passed first, or because it could not be waited for (it has no message queue, say).
enum class WaitResult { kDone, kTimedOut, kFailed };
// WaitForInputIdle.
WaitResult WaitUntilInputIdle(void* process, uint32_t milliseconds);
// WaitForSingleObject on the process, then GetExitCodeProcess into *exit_code once it has ended.
WaitResult WaitUntilEnded(void* process, uint32_t milliseconds, uint32_t* exit_code);
// Once, before the first start whose end will be waited for. Linux lets the kernel reap started
// programs at once, which loses their exit codes; from here on it keeps them.
void KeepExitCodes();
// GetProcessId of a started process's handle; 0 when there is none to tell.
uint32_t ProcessId(void* process);
// CloseHandle of a started process's handle.
void CloseProcessHandle(void* process);
// Whether the shell knows what to do with this verb on some file; the empty verb is the default.
// Windows leaves that to each file type; Linux knows only "open".
bool VerbKnown(const char* verb);
// FormatMessageW of a system error code as UTF-8 (Linux: strerror, or GIO's words for a document
// without an application): the bytes the text needs, written to out only when they fit in room.
size_t ErrorMessage(uint32_t code, char* out, size_t room);

// Whether a start that failed with this code would fail again however long corvane waited:
// Windows' 1223 (elevation declined), 1155 (no program for the type) and 193 (not a program);
// Linux's 1155 and ENOEXEC.
bool FailureIsFinal(uint32_t code);

// Sleep.
void Pause(uint32_t milliseconds);

// The local time, to the millisecond, and how far it is ahead of UTC.
struct LocalTime {
  uint32_t year, month, day, hour, minute, second, millisecond;
  int32_t utc_offset_minutes;
};
LocalTime LocalTimeNow();

// GetFullPathNameW: a relative path made full from the current folder. The bytes the full path
// needs, written to out only when they fit in room; 0 when it cannot be made.
size_t FullPath(const char* path, char* out, size_t room);
// ExpandEnvironmentStringsW (Linux: the same %NAME% forms, from the environment, names as
// written): the bytes the expanded text needs, written to out only when they fit in room. False
// when the system cannot expand it (a text past its 32,767 characters).
bool ExpandVariables(const char* text, char* out, size_t room, size_t* needed);
// FindExecutableW: a code above 32 means the program's path was written to result, which has
// kPathRoom bytes.
uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result);

// The processes that run now, one after another: *walk starts null, and each call gives the next
// one's id and the file name of its image, false after the last (when the walk's resources are
// gone). A name that does not fit in room is left empty.
bool NextProcess(void** walk, uint32_t* process_id, char* name, size_t room);
// ProcessIdToSessionId (Linux: the process's user); a number no session has when it cannot be
// told. Asked only for the processes whose names match, as a look at each costs a call.
uint32_t ProcessSession(uint32_t process_id);
// The same of corvane itself.
uint32_t OwnSession();
// QueryFullProcessImageNameW, with long names (Linux: what /proc/<pid>/exe links to): the bytes
// the path needs, written to out only when they fit in room; 0 when it cannot be told.
size_t ProcessImage(uint32_t process_id, char* out, size_t room);
// A file's path as a process image would give it: made full from the current folder, with long
// names (Linux: every link resolved). The bytes needed, written to out only when they fit in
// room; 0 when it cannot be made (no such file, say; on Linux also a file that is not
// executable, which no process runs).
size_t ImagePath(const char* path, char* out, size_t room);
// Whether two file names or paths are the same to the file system: Windows ignores letter case.
bool SameFileName(const char* a, const char* b);
// Whether the shell would start a document entry as a program of its own that corvane must
// start itself: on Linux an executable regular file (relative to folder when that is not
// empty), which xdg-open would not run. Windows' shell starts programs by itself: never.
bool StartsAsProgram(const char* file, const char* folder);

// Whether the system converts text of this code page (kCodePageAnsi and kCodePageOem included).
bool CodePageKnown(uint32_t code_page);
// MultiByteToWideChar from the code page, then to UTF-8: the bytes the UTF-8 text needs, which
// are written to out only when they fit in room. On Linux the ANSI and OEM code pages leave the
// bytes as they are.
size_t CodePageToUtf8(uint32_t code_page, const char* bytes, size_t length, char* out, size_t room);

// CreateFileW for reading, sharing reads only, the file existing: false when no handle came back.
bool OpenForReading(const char* path, void** file);
// ReadFile of at most room bytes; *count is what arrived.
bool ReadBytes(void* file, char* buffer, uint32_t room, uint32_t* count);
// CloseHandle of the list file or the run log.
bool CloseFile(void* file);
// CreateFileW for appending only, sharing reads and writes, created when missing: so that
// several runs may append to one log at once.
bool OpenForAppending(const char* path, void** file);
// Whether the file at path ends in a line end (LF), or is empty, or cannot be read from its end
// (a pipe, say): false only for a file whose last line was cut short.
bool EndsWithLineEnd(const char* path);
// Whether the open file and the file at path are one and the same, however each was named.
bool IsSameFile(void* file, const char* path);
// One line and the system's line end (CR LF on Windows, LF on Linux) in one write, so that lines
// appended by several runs at once never mix. A write cut short counts as a failure, with the
// system's code for why the rest could not be written.
bool AppendLine(void* file, const char* text, size_t length);
// GetLastError: the code of the most recent failed call above.
uint32_t LastErrorCode();

// ExitProcess.
[[noreturn]] void EndProcess(uint32_t code);

// Where the command-line conventions of the two systems differ.
// Linux paths start with "/": there an argument that starts with "/" is an option only when it
// is two characters long or its third character is ":" or "=". Windows takes every one.
bool SlashOptionsNeedSeparator();
// Windows programs split their parameters the C runtime's way, where backslashes before a quote
// escape it; the Linux port splits them itself, and a backslash there is just a character.
bool BackslashesEscapeQuotes();

}  // namespace platform

#endif  // CORVANE_PLATFORM_PLATFORM_H_
