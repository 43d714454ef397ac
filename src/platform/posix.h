// Internal to the Linux port: what its files share.
#ifndef CORVANE_PLATFORM_POSIX_H_
#define CORVANE_PLATFORM_POSIX_H_

#include <signal.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace posix {

// Windows' ERROR_NO_ASSOCIATION, for a document that no application handles, and GIO's words
// for it.
inline constexpr uint32_t kNoAssociationError = 1155;
inline constexpr char kNoAssociationMessage[] =
    "No application is registered as handling this file";

// posix.cpp

// The Windows code corvane documents for an errno value, so scripts read the same code on both
// systems; a failure Windows has no code for keeps its errno value.
uint32_t CodeOf(int error);
// What LastErrorCode gives next.
void SetLastErrorCode(uint32_t code);

// The program and its arguments; false, with the errno value in *error, when it could not start.
// quiet: its error output goes nowhere.
bool Spawn(const std::vector<std::string>& words, const char* folder, bool quiet, void** process,
           int* error);
// The signals whose defaults a started program gets back.
void ChildDefaults(sigset_t* defaults);
// A relative path as seen from folder (null or empty: the current folder).
std::string InFolder(const char* path, const char* folder);
// A regular file the user may execute: what a process can run as its image.
bool IsExecutableFile(const char* path);
// A desktop entry (.desktop), which its launcher runs rather than the kernel.
bool IsDesktopEntry(const std::string& path);
// Sets the start's failure code; unless the request asks for quiet, also reports it. Always false.
bool StartFailed(const ShellExecuteRecord* record, int code, const char* doing,
                 const std::string& subject, const char* why);

// posix_files.cpp

// Whether the list is corvane's own standard input, which a started program must not read.
bool ListOnStandardInput();

// posix_desktop.cpp

// The words the last lookup found, handed over once: the program by its full path, then the
// arguments its desktop entry gives it. Empty when there was no lookup since the last call.
std::vector<std::string> TakeLookedUp();
// Opens a document (or a URL) with its default application, through xdg-open.
bool OpenDocument(ShellExecuteRecord* record, std::string target);

}  // namespace posix
}  // namespace platform

#endif  // CORVANE_PLATFORM_POSIX_H_
