#include "launch/preview.h"

#include <cstring>

#include "platform/platform.h"
#include "text/utf8.h"

namespace {

const char kListError[] = "The list could not be read: error ";

// As the shell would get it (a zero-terminated text ends at its first zero byte), kept to one
// field of one line: a control character is written as a blank, and bytes that are no UTF-8
// (a Linux name may hold them) as U+FFFD.
void AppendShellText(Text* line, const Text& text) {
  Text field(text.Bytes(), std::strlen(ZeroTerminatedOf(text)));
  if (!IsValidUtf8(field.Bytes(), field.Length())) field = RepairedUtf8(field);
  const char* p = field.Bytes();
  const char* end = p + field.Length();
  for (const char* run = p; p <= end; ++p) {
    if (p < end && static_cast<unsigned char>(*p) >= 0x20) continue;
    line->Append(run, p - run);
    if (p < end) line->Append(' ');
    run = p + 1;
  }
}

}  // namespace

void AppendRequestFields(Text* line, const StartRequest& request, const StartSettings& settings) {
  if (request.direct) {
    line->Append("open\t", 5);
  } else {
    line->Append("program\t", 8);
    AppendShellText(line, request.program);
    line->Append('\t');
  }
  AppendShellText(line, request.command);
  if (!settings.report_verb_and_folder) return;
  line->Append('\t');
  AppendShellText(line, settings.verb);
  line->Append('\t');
  AppendShellText(line, request.folder);
}

void PreviewInstance(const StartRequest& request, const StartSettings& settings) {
  Text line;
  AppendRequestFields(&line, request, settings);
  if (!platform::WriteOutputLine(line.Bytes(), line.Length()))
    platform::EndProcess(platform::LastErrorCode());
}

void FinishPreview(const char* box_caption, uint32_t list_error) {
  Text last_line(kListError, sizeof kListError - 1);
  AppendDecimal(&last_line, list_error);
  const bool finished =
      platform::FinishOutput(box_caption, list_error != 0 ? ZeroTerminatedOf(last_line) : nullptr);
  if (!finished && list_error == 0) platform::EndProcess(platform::LastErrorCode());
}
