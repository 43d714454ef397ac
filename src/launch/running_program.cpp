#include "launch/running_program.h"

#include <cstring>

#include "platform/platform.h"
#include "text/helpers.h"

namespace {

// The processes of the last walk: each one's id (four bytes), then its image's file name and a
// zero byte. A walk costs a call or more a process (under Wine a few milliseconds in all);
// entries that follow one another with nothing started between them share one.
Text walked;
bool walked_since_start = false;

void Walk() {
  walked.Clear();
  uint32_t id = 0;
  char name[platform::kPathRoom];
  void* walk = nullptr;
  while (platform::NextProcess(&walk, &id, name, sizeof name)) {
    walked.Append(reinterpret_cast<const char*>(&id), sizeof id);
    walked.Append(name, std::strlen(name) + 1);
  }
  walked_since_start = true;
}

const char* FileNameOf(const Text& path) {
  const char* name = path.Bytes();
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

}  // namespace

void ForgetRunningProcesses() { walked_since_start = false; }

uint32_t RunningProcessOf(const Text& file, const Text& folder) {
  const bool by_name = FolderPart(file).Empty();
  // Relative to the folder the program would start in; a slash joins on Windows too.
  const Text path = folder.Empty() || IsRootedPath(file) ? file : JoinTexts({folder, Text("/", 1), file});
  const Text image = by_name ? file : FilledText(platform::kPathRoom, [&path](char* out, size_t room) {
    return platform::ImagePath(ZeroTerminatedOf(path), out, room);
  });
  if (image.Empty()) return 0;
  const char* name = FileNameOf(image);
  const uint32_t session = platform::OwnSession();
  if (!walked_since_start) Walk();
  // The names sort out all but a few at no cost; only those are asked for more.
  for (const char* p = walked.Bytes(); p < walked.Bytes() + walked.Length();) {
    uint32_t id;
    std::memcpy(&id, p, sizeof id);
    const char* its_name = p + sizeof id;
    p = its_name + std::strlen(its_name) + 1;
    if (!platform::SameFileName(its_name, name) || platform::ProcessSession(id) != session)
      continue;
    if (by_name) return id;
    const Text its_image = FilledText(platform::kPathRoom, [id](char* out, size_t room) {
      return platform::ProcessImage(id, out, room);
    });
    if (platform::SameFileName(ZeroTerminatedOf(its_image), ZeroTerminatedOf(image))) return id;
  }
  return 0;
}
