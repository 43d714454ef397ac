#include "launch/preview.h"

#include <cstring>

#include "platform/platform.h"
#include "text/helpers.h"

namespace {

const char kListError[] = "The list could not be read: error ";

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

void FinishPreview(const char* box_caption, uint32_t list_error) {
  Text last_line;
  if (list_error != 0)
    last_line = JoinTexts({Text(kListError, sizeof kListError - 1), DecimalText(list_error)});
  const bool finished =
      platform::FinishOutput(box_caption, list_error != 0 ? ZeroTerminatedOf(last_line) : nullptr);
  if (!finished && list_error == 0) platform::EndProcess(platform::LastErrorCode());
}
