// The Linux port's desktop side: which application opens a document comes from GIO (the
// default application for its content type, and that application's desktop entry), and
// documents are opened by xdg-open.
#include <gio/gio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix.h"

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

// A document that is there and that no application handles: xdg-open would only fail later, out
// of corvane's sight. Anything else (a URL, a name xdg-open may know) goes to xdg-open.
bool LacksApplication(const std::string& target, const char* folder) {
  std::string path = target;
  if (folder && !path.empty() && path[0] != '/') path = std::string(folder) + "/" + path;
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  GAppInfo* application = DefaultApplicationFor(path.c_str());
  if (!application) return true;
  g_object_unref(application);
  return false;
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
  if (LacksApplication(target, folder))
    return StartFailed(record, kNoAssociationError, "open", target, kNoAssociationMessage);
  // xdg-open takes a leading "-" for an option it does not know; no URL starts with one,
  // so such a target is a file and "./" names the same one.
  if (!target.empty() && target[0] == '-') target.insert(0, "./");
  int error = 0;
  if (Spawn({"xdg-open", target}, folder, &record->hProcess, &error)) return true;
  return StartFailed(record, error, "open", target,
                     (std::string("xdg-open: ") + strerror(error)).c_str());
}

}  // namespace posix

// The directory part is a Windows notion (backslash, drive colon); a relative document is
// found from the current directory as it is.
uintptr_t FindAssociatedExecutable(const char* file, const char*, char* result) {
  looked_up.clear();
  struct stat info;
  if (!*file || stat(file, &info) != 0) return kFileNotFound;
  std::vector<std::string> words = DefaultCommandFor(file);
  // A path that does not fit the caller's buffer could only be handed back cut.
  if (words.empty() || words[0].size() >= kPathRoom) return kNoAssociation;
  memcpy(result, words[0].c_str(), words[0].size() + 1);
  looked_up.swap(words);
  return kFound;
}

}  // namespace platform
