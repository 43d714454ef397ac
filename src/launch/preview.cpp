#include "launch/preview.h"

#include <cstring>

#include "platform/platform.h"

namespace {

// As the shell would get it: a zero-terminated text ends at its first zero byte.
void AppendShellText(Text* line, const Text& text) {
  line->Append(text.Bytes(), std::strlen(ZeroTerminatedOf(text)));
}

}  // namespace

void PreviewInstance(const Text& program, const Text& command, bool direct) {
  Text line;
  if (direct) {
    line.Append("open\t", 5);
  } else {
    line.Append("program\t", 8);
    AppendShellText(&line, program);
    line.Append('\t');
  }
  AppendShellText(&line, command);
  if (!platform::WriteOutputLine(line.Bytes(), line.Length()))
    platform::EndProcess(platform::LastErrorCode());
}

void FinishPreview(const char* box_caption) {
  if (!platform::FinishOutput(box_caption)) platform::EndProcess(platform::LastErrorCode());
}
