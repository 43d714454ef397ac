#include "launch/running_program.h"

#include "platform/platform.h"
#include "text/helpers.h"

namespace {

const char* FileNameOf(const Text& path) {
  const char* name = path.Bytes();
  for (const char* p = name; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

}  // namespace

uint32_t RunningProcessOf(const Text& file, const Text& folder) {
  const bool by_name = FolderPart(file).Empty();
  const Text image = by_name ? file : FilledText(platform::kPathRoom, [&](char* out, size_t room) {
    return platform::ImagePath(ZeroTerminatedOf(file), ZeroTerminatedOf(folder), out, room);
  });
  if (image.Empty()) return 0;
  const char* name = FileNameOf(image);
  const uint32_t session = platform::OwnSession();
  uint32_t found = 0, id = 0;
  char its_name[platform::kPathRoom];
  void* walk = nullptr;
  // Walked to its end, which releases it; the names sort out all but a few at no cost.
  while (platform::NextProcess(&walk, &id, its_name, sizeof its_name)) {
    if (found || !platform::SameFileName(its_name, name) || platform::ProcessSession(id) != session)
      continue;
    const Text its_image = by_name ? Text() : FilledText(platform::kPathRoom, [id](char* out, size_t room) {
      return platform::ProcessImage(id, out, room);
    });
    if (by_name || platform::SameFileName(ZeroTerminatedOf(its_image), ZeroTerminatedOf(image)))
      found = id;
  }
  return found;
}
