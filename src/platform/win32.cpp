// The real Win32 calls, in their wide forms: corvane's UTF-8 texts are converted to UTF-16 on
// the way in and back on the way out, here and nowhere else.
#include <windows.h>
// After windows.h, which they need.
#include <objbase.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "text/text.h"
#include "text/utf8.h"

namespace platform {

#define CORVANE_SAME_MEMBER(m)                                                       \
  static_assert(offsetof(ShellExecuteRecord, m) == offsetof(SHELLEXECUTEINFOW, m) && \
                    sizeof(ShellExecuteRecord::m) == sizeof(SHELLEXECUTEINFOW::m),   \
                "ShellExecuteRecord::" #m " differs from SHELLEXECUTEINFOW")
static_assert(sizeof(ShellExecuteRecord) == sizeof(SHELLEXECUTEINFOW), "record size");
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
static_assert(kSeeMaskNoCloseProcess == SEE_MASK_NOCLOSEPROCESS &&
                  kSeeMaskNoAsync == SEE_MASK_NOASYNC && kSeeMaskFlagNoUi == SEE_MASK_FLAG_NO_UI &&
                  kShowHide == SW_HIDE && kShowNormal == SW_SHOWNORMAL &&
                  kShowMaximized == SW_SHOWMAXIMIZED && kShowMinNoActive == SW_SHOWMINNOACTIVE &&
                  kShowDefault == SW_SHOWDEFAULT && kShowLast == SW_MAX && kInfinite == INFINITE &&
                  kIconInformation == MB_ICONINFORMATION && kBrokenPipe == ERROR_BROKEN_PIPE &&
                  kInvalidParameter == ERROR_INVALID_PARAMETER &&
                  kFilenameTooLong == ERROR_FILENAME_EXCED_RANGE && kCancelled == ERROR_CANCELLED &&
                  kComApartmentNoDde == (COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE) &&
                  kCodePageAnsi == CP_ACP && kCodePageOem == CP_OEMCP &&
                  kPathRoom == 3 * MAX_PATH + 1,
              "constants differ from the Windows headers");

namespace {

// A UTF-16 copy of a UTF-8 text for one call; null stays null.
class Wide {
 public:
  explicit Wide(const char* text) : units_(nullptr) {
    if (!text) return;
    int count = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);  // the zero included
    if (count <= 0) count = 1;
    units_ = static_cast<wchar_t*>(AllocateOrEnd(count * sizeof(wchar_t)));
    units_[0] = 0;
    MultiByteToWideChar(CP_UTF8, 0, text, -1, units_, count);
  }
  // Freeing must not change the error code of the call the copy was made for.
  ~Wide() {
    DWORD error = GetLastError();
    std::free(units_);
    SetLastError(error);
  }
  Wide(const Wide&) = delete;
  Wide& operator=(const Wide&) = delete;
  const wchar_t* get() const { return units_; }

 private:
  wchar_t* units_;
};

// The UTF-8 bytes that count UTF-16 units need; written to out only when they fit in room.
size_t ToUtf8(const wchar_t* units, int count, char* out, size_t room) {
  if (count <= 0) return 0;
  int needed = WideCharToMultiByte(CP_UTF8, 0, units, count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return 0;
  if (static_cast<size_t>(needed) <= room)
    WideCharToMultiByte(CP_UTF8, 0, units, count, out, needed, nullptr, nullptr);
  return static_cast<size_t>(needed);
}

// A zero-terminated UTF-16 text into a buffer of room bytes as UTF-8, cut between two
// characters where it does not fit; the bytes written, the zero not counted.
uint32_t Utf8Into(const wchar_t* units, int count, char* buffer, uint32_t room) {
  if (room == 0) return 0;
  char whole[kPathRoom];
  size_t length = ToUtf8(units, count, whole, sizeof whole);
  if (length > sizeof whole) length = 0;
  length = Utf8Cut(whole, length, room - 1);
  std::memcpy(buffer, whole, length);
  buffer[length] = 0;
  return static_cast<uint32_t>(length);
}

// Where preview lines go, chosen at the first one.
enum class Sink { kNotChosen, kBytes, kConsole, kBox };
struct Output {
  Sink sink = Sink::kNotChosen;
  HANDLE handle = nullptr;
  Text box;            // the lines the message box shows
  uint32_t boxed = 0;  // how many
  uint32_t more = 0;   // lines left out of it
};
Output output;

const uint32_t kBoxLines = 30;
const size_t kBoxLineRoom = 260;  // bytes of a line the box shows; a longer one is cut

// Standard output when a file or a pipe stands behind it, as cmd's > and | give it to a GUI
// program; else the console that the parent program runs in (a character device that is no
// console, such as NUL, is written to as it is); else nowhere to write but a message box.
void ChooseSink() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD type = out && out != INVALID_HANDLE_VALUE ? GetFileType(out) : FILE_TYPE_UNKNOWN;
  output.handle = out;
  output.sink = Sink::kBytes;
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) return;
  // A GUI program has no console of its own; until it joins its parent's, a console handle it
  // was given cannot be told from any other character device.
  const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != FALSE;
  DWORD mode;
  if (type == FILE_TYPE_CHAR) {
    if (GetConsoleMode(out, &mode)) output.sink = Sink::kConsole;
    return;
  }
  HANDLE console =
      attached ? CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)
               : INVALID_HANDLE_VALUE;
  if (console != INVALID_HANDLE_VALUE) {
    output.handle = console;
    output.sink = Sink::kConsole;
    return;
  }
  output.sink = Sink::kBox;
}

bool WriteBytes(const char* bytes, size_t length) {
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(output.handle, bytes,
                   static_cast<DWORD>(length > 0x10000000 ? 0x10000000 : length), &written,
                   nullptr))
      return false;
    if (written == 0) {  // nothing taken and no error: stop rather than spin
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes += written;
    length -= written;
  }
  return true;
}

// Wide, so that every name shows whatever the console's code page.
bool WriteConsoleText(const char* text) {
  Wide wide(text);
  const wchar_t* units = wide.get();
  DWORD left = static_cast<DWORD>(wcslen(units));
  while (left > 0) {
    DWORD written = 0;
    if (!WriteConsoleW(output.handle, units, left, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    units += written;
    left -= written;
  }
  return true;
}

void AddToBox(const char* text, size_t length) {
  if (output.boxed == kBoxLines) {
    ++output.more;
    return;
  }
  size_t shown = Utf8Cut(text, length, kBoxLineRoom);
  output.box.Append(text, shown);
  if (shown < length) output.box.Append("\xE2\x80\xA6", 3);  // an ellipsis
  output.box.Append("\n", 1);
  ++output.boxed;
}

}  // namespace

// Converted once: the command line does not change while the process runs.
const char* RawCommandLine() {
  static char* line = nullptr;
  if (line) return line;
  const wchar_t* wide = GetCommandLineW();
  int count = static_cast<int>(wcslen(wide));
  size_t length = ToUtf8(wide, count, nullptr, 0);
  line = static_cast<char*>(AllocateOrEnd(length + 1));
  ToUtf8(wide, count, line, length);
  line[length] = 0;
  return line;
}
int SplitArgumentCount() { return 0; }
const char* SplitArgument(int) { return ""; }

uint32_t ModuleFileName(char* buffer, uint32_t room) {
  wchar_t path[MAX_PATH + 1];
  DWORD count = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  if (count == 0) return 0;
  return Utf8Into(path, static_cast<int>(count), buffer, room);
}

void ShowMessage(const char* text, const char* caption, uint32_t style) {
  Wide wide_text(text), wide_caption(caption);
  MessageBoxW(nullptr, wide_text.get(), wide_caption.get(), style);
}

bool WriteOutputLine(const char* text, size_t length) {
  if (output.sink == Sink::kNotChosen) ChooseSink();
  if (output.sink == Sink::kBox) {
    AddToBox(text, length);
    return true;
  }
  Text line(text, length);
  line.Append("\r\n", 2);
  return output.sink == Sink::kBytes ? WriteBytes(line.Bytes(), line.Length())
                                     : WriteConsoleText(line.Bytes());
}

bool FinishOutput(const char* box_caption, const char* box_last_line) {
  if (output.sink == Sink::kNotChosen) ChooseSink();
  if (output.sink != Sink::kBox) return true;
  static const char kMore[] = "\xE2\x80\xA6 and ", kMoreEnd[] = " more", kNone[] = "(no entries)";
  Text text = output.box;
  if (output.more > 0) {
    text.Append(kMore, sizeof kMore - 1);
    AppendDecimal(&text, output.more);
    text.Append(kMoreEnd, sizeof kMoreEnd - 1);
    if (box_last_line) text.Append('\n');
  } else if (output.boxed == 0 && !box_last_line) {
    text.Append(kNone, sizeof kNone - 1);
  }
  if (box_last_line) text.Append(box_last_line, std::strlen(box_last_line));
  ShowMessage(text.Bytes(), box_caption, MB_ICONINFORMATION);
  return true;
}

void WriteDiagnostic(const char*) {}

void PrepareShell(uint32_t flags) { CoInitializeEx(nullptr, flags); }

bool ShellExecuteRequest(ShellExecuteRecord* record) {
  SHELLEXECUTEINFOW info;
  std::memcpy(&info, record, sizeof info);  // the same layout; only the texts differ
  Wide verb(record->lpVerb), file(record->lpFile), parameters(record->lpParameters),
      directory(record->lpDirectory), class_name(record->lpClass);
  info.lpVerb = verb.get();
  info.lpFile = file.get();
  info.lpParameters = parameters.get();
  info.lpDirectory = directory.get();
  info.lpClass = class_name.get();
  BOOL ok = ShellExecuteExW(&info);
  record->hInstApp = info.hInstApp;
  record->hProcess = info.hProcess;
  return ok != FALSE;
}

namespace {
WaitResult WaitResultOf(DWORD result) {
  if (result == WAIT_TIMEOUT) return WaitResult::kTimedOut;
  return result == WAIT_FAILED ? WaitResult::kFailed : WaitResult::kDone;
}
}  // namespace

WaitResult WaitUntilInputIdle(void* process, uint32_t milliseconds) {
  return WaitResultOf(WaitForInputIdle(process, milliseconds));
}

WaitResult WaitUntilEnded(void* process, uint32_t milliseconds, uint32_t* exit_code) {
  WaitResult result = WaitResultOf(WaitForSingleObject(process, milliseconds));
  DWORD code = 0;
  if (result == WaitResult::kDone && !GetExitCodeProcess(process, &code)) result = WaitResult::kFailed;
  *exit_code = code;
  return result;
}

void KeepExitCodes() {}  // a process handle keeps its exit code

uint32_t ProcessId(void* process) { return GetProcessId(process); }

bool VerbKnown(const char*) { return true; }  // each file type has verbs of its own

size_t ErrorMessage(uint32_t code, char* out, size_t room) {
  wchar_t message[1024];
  DWORD count = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               code, 0, message, 1024, nullptr);
  return ToUtf8(message, static_cast<int>(count), out, room);
}

void Pause(uint32_t milliseconds) { Sleep(milliseconds); }

LocalTime LocalTimeNow() {
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  // The time zone's rules for this very moment, summer time included.
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  // Offsets are whole minutes, and the two dates are a day apart at most.
  int offset = (local.wHour - utc.wHour) * 60 + (local.wMinute - utc.wMinute);
  const auto date = [](const SYSTEMTIME& t) { return (t.wYear * 16 + t.wMonth) * 32 + t.wDay; };
  if (date(local) != date(utc)) offset += date(local) > date(utc) ? 24 * 60 : -24 * 60;
  return {local.wYear,   local.wMonth,  local.wDay,          local.wHour,
          local.wMinute, local.wSecond, local.wMilliseconds, offset};
}

size_t FullPath(const char* path, char* out, size_t room) {
  Wide wide(path);
  DWORD units = GetFullPathNameW(wide.get(), 0, nullptr, nullptr);
  if (units == 0) return 0;
  wchar_t* full = static_cast<wchar_t*>(AllocateOrEnd(units * sizeof(wchar_t)));
  DWORD count = GetFullPathNameW(wide.get(), units, full, nullptr);
  size_t needed = count > 0 && count < units ? ToUtf8(full, static_cast<int>(count), out, room) : 0;
  std::free(full);
  return needed;
}

bool ExpandVariables(const char* text, char* out, size_t room, size_t* needed) {
  // Windows expands into at most 32,767 characters and their zero.
  const DWORD kMost = 32768;
  Wide wide(text);
  wchar_t* expanded = static_cast<wchar_t*>(AllocateOrEnd(kMost * sizeof(wchar_t)));
  const DWORD count = ExpandEnvironmentStringsW(wide.get(), expanded, kMost);
  const bool fits = count > 0 && count <= kMost;
  *needed = fits ? ToUtf8(expanded, static_cast<int>(count - 1), out, room) : 0;
  std::free(expanded);
  return fits;
}

bool FailureIsFinal(uint32_t code) {
  return code == kCancelled || code == ERROR_NO_ASSOCIATION || code == ERROR_BAD_EXE_FORMAT;
}

namespace {

// The path with its 8.3 parts made long where the file is there, as an image path is compared.
size_t LongUtf8(const wchar_t* path, char* out, size_t room) {
  // Only a short name holds a tilde; making a path long reads each of its folders.
  wchar_t* long_path = static_cast<wchar_t*>(AllocateOrEnd(32768 * sizeof(wchar_t)));
  DWORD count = wcschr(path, L'~') ? GetLongPathNameW(path, long_path, 32768) : 0;
  const wchar_t* chosen = count > 0 && count < 32768 ? long_path : path;
  size_t needed = ToUtf8(chosen, static_cast<int>(wcslen(chosen)), out, room);
  std::free(long_path);
  return needed;
}

// The processes as the system lists them in one call, and the one the walk is at. The same list
// stands behind CreateToolhelp32Snapshot, which copies it once more and takes several times as
// long (under Wine about five).
struct ProcessWalk {
  char* list;
  size_t at;  // the next entry's offset; SIZE_MAX after the last
};

typedef LONG(WINAPI* QuerySystemInformation)(ULONG, void*, ULONG, ULONG*);
const ULONG kSystemProcessInformation = 5;
const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);  // STATUS_INFO_LENGTH_MISMATCH

char* ProcessList() {
  // Documented in winternl.h; reached by name, so that corvane imports nothing from ntdll.
  static const QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  ULONG room = 256 * 1024, needed = 0;
  for (int tries = 0; query && tries < 4; ++tries) {
    char* list = static_cast<char*>(AllocateOrEnd(room));
    const LONG status = query(kSystemProcessInformation, list, room, &needed);
    if (status >= 0) return list;
    std::free(list);
    if (status != kInfoLengthMismatch) break;
    room = needed + 64 * 1024;  // processes may start meanwhile
  }
  return nullptr;
}

}  // namespace

bool NextProcess(void** walk, uint32_t* process_id, char* name, size_t room) {
  ProcessWalk* w = static_cast<ProcessWalk*>(*walk);
  if (!w) {
    w = static_cast<ProcessWalk*>(AllocateOrEnd(sizeof(ProcessWalk)));
    w->list = ProcessList();
    w->at = w->list ? 0 : SIZE_MAX;
    *walk = w;
  }
  if (w->at == SIZE_MAX) {
    std::free(w->list);
    std::free(w);
    *walk = nullptr;
    return false;
  }
  const SYSTEM_PROCESS_INFORMATION* process =
      reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(w->list + w->at);
  w->at = process->NextEntryOffset ? w->at + process->NextEntryOffset : SIZE_MAX;
  *process_id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(process->UniqueProcessId));
  const wchar_t* exe = process->ImageName.Buffer;
  const int units = exe ? process->ImageName.Length / 2 : 0;
  size_t length = ToUtf8(exe, units, name, room);
  name[length < room ? length : 0] = 0;
  // A process started by a short (8.3) name may be listed by it: its image tells the long one.
  if (exe && std::memchr(name, '~', length < room ? length : 0)) {
    const uint32_t id = *process_id;
    const Text image = FilledText(kPathRoom, [id](char* out, size_t image_room) {
      return ProcessImage(id, out, image_room);
    });
    const char* file = image.Bytes();
    for (const char* p = file; *p; ++p)
      if (*p == '\\') file = p + 1;
    if (std::strlen(file) < room) std::memcpy(name, file, std::strlen(file) + 1);
  }
  return true;
}

uint32_t ProcessSession(uint32_t process_id) {
  DWORD session = 0;
  return ProcessIdToSessionId(process_id, &session) ? session : ~0u;
}

uint32_t OwnSession() { return ProcessSession(GetCurrentProcessId()); }

size_t ProcessImage(uint32_t process_id, char* out, size_t room) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (!process) return 0;
  wchar_t* image = static_cast<wchar_t*>(AllocateOrEnd(32768 * sizeof(wchar_t)));
  DWORD count = 32768;
  const bool known = QueryFullProcessImageNameW(process, 0, image, &count) != FALSE;
  CloseHandle(process);
  size_t needed = known ? LongUtf8(image, out, room) : 0;
  std::free(image);
  return needed;
}

size_t ImagePath(const char* path, char* out, size_t room) {
  Wide wide_path(path);
  wchar_t* full = static_cast<wchar_t*>(AllocateOrEnd(32768 * sizeof(wchar_t)));
  DWORD count = GetFullPathNameW(wide_path.get(), 32768, full, nullptr);
  size_t needed = 0;
  if (count > 0 && count < 32768 && GetFileAttributesW(full) != INVALID_FILE_ATTRIBUTES)
    needed = LongUtf8(full, out, room);
  std::free(full);
  return needed;
}

bool SameFileName(const char* a, const char* b) {
  Wide wide_a(a), wide_b(b);
  return CompareStringOrdinal(wide_a.get(), -1, wide_b.get(), -1, TRUE) == CSTR_EQUAL;
}

bool StartsAsProgram(const char*, const char*) { return false; }

void CloseProcessHandle(void* process) { CloseHandle(process); }

uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result) {
  wchar_t found[MAX_PATH + 1] = {0};
  Wide wide_file(file), wide_directory(directory);
  uintptr_t code =
      reinterpret_cast<uintptr_t>(FindExecutableW(wide_file.get(), wide_directory.get(), found));
  if (code > 32) {
    found[MAX_PATH] = 0;
    Utf8Into(found, static_cast<int>(wcslen(found)), result, kPathRoom);
  }
  return code;
}

bool CodePageKnown(uint32_t code_page) {
  return code_page == CP_ACP || code_page == CP_OEMCP || IsValidCodePage(code_page);
}

size_t CodePageToUtf8(uint32_t code_page, const char* bytes, size_t length, char* out,
                      size_t room) {
  if (length == 0 || length > 0x7FFFFFFF) return 0;
  const int count = static_cast<int>(length);
  int units = MultiByteToWideChar(code_page, 0, bytes, count, nullptr, 0);
  if (units <= 0) return 0;
  wchar_t* wide = static_cast<wchar_t*>(AllocateOrEnd(units * sizeof(wchar_t)));
  MultiByteToWideChar(code_page, 0, bytes, count, wide, units);
  size_t needed = ToUtf8(wide, units, out, room);
  std::free(wide);
  return needed;
}

bool OpenForReading(const char* path, void** file) {
  Wide wide_path(path);
  *file = CreateFileW(wide_path.get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  return *file != INVALID_HANDLE_VALUE;
}

bool OpenForAppending(const char* path, void** file) {
  Wide wide_path(path);
  // Append access alone: every write goes to the end of the file, wherever other writers are.
  *file = CreateFileW(wide_path.get(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return *file != INVALID_HANDLE_VALUE;
}

bool EndsWithLineEnd(const char* path) {
  Wide wide_path(path);
  HANDLE file = CreateFileW(wide_path.get(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  char last = '\n';
  DWORD got = 0;
  LARGE_INTEGER back;
  back.QuadPart = -1;
  if (GetFileType(file) == FILE_TYPE_DISK && SetFilePointerEx(file, back, nullptr, FILE_END))
    ReadFile(file, &last, 1, &got, nullptr);
  CloseHandle(file);
  return last == '\n';
}

bool IsSameFile(void* file, const char* path) {
  Wide wide_path(path);
  // No access asked: the list is open sharing reads only, and this must not conflict with it.
  HANDLE other = CreateFileW(wide_path.get(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (other == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a, b;
  const bool same = GetFileInformationByHandle(file, &a) && GetFileInformationByHandle(other, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow &&
                    (a.nFileIndexHigh | a.nFileIndexLow) != 0;
  CloseHandle(other);
  return same;
}

bool AppendLine(void* file, const char* text, size_t length) {
  Text line(text, length);
  line.Append("\r\n", 2);
  // One write, so that no other run's record comes between its parts.
  DWORD written = 0;
  if (!WriteFile(file, line.Bytes(), static_cast<DWORD>(line.Length()), &written, nullptr))
    return false;
  if (written == line.Length()) return true;
  // Cut short (a full disk): the rest, only to learn the system's code for why.
  DWORD more = 0;
  const DWORD rest = static_cast<DWORD>(line.Length() - written);
  if (!WriteFile(file, line.Bytes() + written, rest, &more, nullptr)) return false;
  if (more == rest) return true;
  SetLastError(ERROR_DISK_FULL);
  return false;
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

namespace {

// Text runs out of memory through EndProcess, as the rest of corvane does; set before main.
struct OutOfMemoryHandler {
  OutOfMemoryHandler() { SetOutOfMemoryHandler(EndProcess); }
} out_of_memory_handler;

}  // namespace

bool SlashOptionsNeedSeparator() { return false; }
bool BackslashesEscapeQuotes() { return true; }

}  // namespace platform
