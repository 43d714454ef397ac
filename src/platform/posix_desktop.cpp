// The Linux port's desktop side: which application opens a document comes from GIO (the
// default application for its content type, and that application's desktop entry), and
// documents are opened by xdg-open, desktop entries launched as the applications they describe.
#include <errno.h>
#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix.h"
#include "text/helpers.h"

namespace platform {
namespace {

// FindExecutableA's codes: 32 or less is a failure.
const uintptr_t kFileNotFound = 2;    // SE_ERR_FNF
const uintptr_t kNoAssociation = 31;  // SE_ERR_NOASSOC
const uintptr_t kFound = 42;

// The program the last lookup found, full path first, and the arguments its desktop entry
// gives it; the start that follows the lookup puts them before corvane's parameters.
std::vector<std::string> looked_up;

// The words of a desktop entry's Exec line, with its field codes (%f, %U, %i, ...) taken out
// and %% kept as %: what the program gets before the files it is handed. A word that was field
// codes alone goes.
std::vector<std::string> ExecWords(const char* exec) {
  std::vector<std::string> words;
  gchar** parsed = nullptr;
  if (!exec || !g_shell_parse_argv(exec, nullptr, &parsed, nullptr)) return words;
  for (gchar** word = parsed; *word; ++word) {
    std::string kept;
    bool coded = false;
    for (const char* c = *word; *c; ++c) {
      if (*c != '%') {
        kept += *c;
        continue;
      }
      if (c[1] == '%')
        kept += '%';
      else
        coded = true;
      if (c[1]) ++c;
    }
    if (!coded || !kept.empty()) words.push_back(kept);
  }
  g_strfreev(parsed);
  return words;
}

// The default application for the document's content type, or null; the caller unrefs it. GIO's
// local file system is asked directly, so no VFS module (and no session bus) is ever brought in.
GAppInfo* DefaultApplicationFor(const char* path) {
  GFile* document = g_vfs_get_file_for_path(g_vfs_get_local(), path);
  GFileInfo* details = g_file_query_info(document, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                         G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
  const char* type = details ? g_file_info_get_content_type(details) : nullptr;
  GAppInfo* application = type ? g_app_info_get_default_for_type(type, FALSE) : nullptr;
  if (details) g_object_unref(details);
  g_object_unref(document);
  return application;
}

// The default application's program for the document, by its full path, and the arguments its
// Exec line gives it; empty when there is none.
std::vector<std::string> DefaultCommandFor(const char* path) {
  GAppInfo* application = DefaultApplicationFor(path);
  std::vector<std::string> words =
      ExecWords(application ? g_app_info_get_commandline(application) : nullptr);
  char* program = words.empty() || words[0].empty() ? nullptr
                                                    : g_find_program_in_path(words[0].c_str());
  if (program)
    words[0] = program;
  else
    words.clear();
  g_free(program);
  if (application) g_object_unref(application);
  return words;
}

// Whether an application handles the document at path.
bool HasApplication(const char* path) {
  GAppInfo* application = DefaultApplicationFor(path);
  if (application) g_object_unref(application);
  return application != nullptr;
}

// In the launched application's process, before its program runs: what Spawn gives a child.
void LaunchSetup(gpointer folder) {
  sigset_t defaults;
  posix::ChildDefaults(&defaults);
  for (int number = 1; number < NSIG; ++number)
    if (sigismember(&defaults, number) == 1) signal(number, SIG_DFL);
  if (posix::ListOnStandardInput()) {
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, 0);
    close(null);
  }
  if (folder && chdir(static_cast<const char*>(folder)) != 0) _exit(127);
}

void KeepProcessId(GDesktopAppInfo*, GPid process, gpointer kept) {
  *static_cast<GPid*>(kept) = process;
}

// The errno value a failed launch stands for.
int ErrorOf(const GError* error) {
  if (error->domain != G_SPAWN_ERROR) return EIO;
  switch (error->code) {
    case G_SPAWN_ERROR_NOENT: return ENOENT;
    case G_SPAWN_ERROR_ACCES:
    case G_SPAWN_ERROR_PERM: return EACCES;
    case G_SPAWN_ERROR_NOEXEC: return ENOEXEC;
    case G_SPAWN_ERROR_CHDIR: return ENOTDIR;
    default: return EIO;
  }
}

// The application a desktop entry describes, its Exec line honoured, as a menu would start it.
bool LaunchDesktopEntry(ShellExecuteRecord* record, const std::string& path) {
  const char* folder = record->lpDirectory;
  struct stat info;
  if (folder && (stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)))
    return posix::StartFailed(record, ENOENT, "start", path, strerror(ENOENT));
  GDesktopAppInfo* application = g_desktop_app_info_new_from_filename(path.c_str());
  if (!application)
    return posix::StartFailed(record, ENOEXEC, "start", path, "not a desktop entry to launch");
  GPid process = 0;
  GError* error = nullptr;
  const GSpawnFlags flags =
      static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD);
  const bool launched = g_desktop_app_info_launch_uris_as_manager(
      application, nullptr, nullptr, flags, LaunchSetup, const_cast<char*>(folder), KeepProcessId,
      &process, &error);
  g_object_unref(application);
  if (!launched) {
    const int code = error ? ErrorOf(error) : EIO;
    const std::string why = error ? error->message : strerror(code);
    if (error) g_error_free(error);
    return posix::StartFailed(record, code, "start", path, why.c_str());
  }
  // A D-Bus activated application has no process of corvane's to tell.
  record->hProcess = process > 0 ? reinterpret_cast<void*>(static_cast<intptr_t>(process)) : nullptr;
  return true;
}

}  // namespace

namespace posix {

std::vector<std::string> TakeLookedUp() {
  std::vector<std::string> words;
  words.swap(looked_up);
  return words;
}

bool OpenDocument(ShellExecuteRecord* record, std::string target) {
  const char* folder = record->lpDirectory;
  const bool quiet = record->fMask & kSeeMaskFlagNoUi;
  // A local file is checked here: xdg-open would only fail later, out of corvane's sight. A URL
  // is xdg-open's to tell.
  if (!HasUrlScheme(Text(target.data(), target.size()))) {
    const std::string path = InFolder(target.c_str(), folder);
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
      return StartFailed(record, errno, "open", target, strerror(errno));
    if (S_ISREG(info.st_mode) && IsDesktopEntry(path)) return LaunchDesktopEntry(record, path);
    if (S_ISREG(info.st_mode) && !HasApplication(path.c_str()))
      return StartFailed(record, kNoAssociationError, "open", target, kNoAssociationMessage);
  }
  // xdg-open takes a leading "-" for an option it does not know; no URL starts with one,
  // so such a target is a file and "./" names the same one.
  if (!target.empty() && target[0] == '-') target.insert(0, "./");
  int error = 0;
  if (Spawn({"xdg-open", target}, folder, quiet, &record->hProcess, &error)) return true;
  return StartFailed(record, error, "open", target,
                     (std::string("xdg-open: ") + strerror(error)).c_str());
}

}  // namespace posix

// A relative document is found in the folder the program starts in, as it will open it there; the
// directory corvane passes for a full path is a Windows notion, and not needed here.
uintptr_t FindAssociatedExecutable(const char* file, const char* directory, char* result) {
  looked_up.clear();
  const std::string path = posix::InFolder(file, directory);
  struct stat info;
  if (!*file || stat(path.c_str(), &info) != 0) return kFileNotFound;
  std::vector<std::string> words = DefaultCommandFor(path.c_str());
  // A path that does not fit the caller's buffer could only be handed back cut.
  if (words.empty() || words[0].size() >= kPathRoom) return kNoAssociation;
  memcpy(result, words[0].c_str(), words[0].size() + 1);
  looked_up.swap(words);
  return kFound;
}

}  // namespace platform
