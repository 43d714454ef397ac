#include "launch/run_log.h"

#include <cstring>

#include "launch/preview.h"
#include "text/helpers.h"

namespace {

void* log_file = nullptr;

// 2026-12-09T07:45:02.120+01:00
void AppendTime(Text* line, const platform::LocalTime& t) {
  const struct {
    uint32_t value;
    int digits;
    char after;
  } parts[] = {{t.year, 4, '-'},   {t.month, 2, '-'},  {t.day, 2, 'T'},
               {t.hour, 2, ':'},   {t.minute, 2, ':'}, {t.second, 2, '.'},
               {t.millisecond, 3, 0}};
  for (const auto& part : parts) {
    AppendDecimal(line, part.value, part.digits);
    if (part.after) line->Append(part.after);
  }
  const int32_t offset = t.utc_offset_minutes;
  const uint32_t size = static_cast<uint32_t>(offset < 0 ? -offset : offset);
  line->Append(offset < 0 ? '-' : '+');
  AppendDecimal(line, size / 60, 2);
  line->Append(':');
  AppendDecimal(line, size % 60, 2);
}

const char* ResultName(StartResult result) {
  switch (result) {
    case StartResult::kFailed: return "failed";
    case StartResult::kTimedOut: return "timeout";
    case StartResult::kExited: return "exited";
    case StartResult::kRunning: return "running";
    default: return "started";
  }
}

// The system's message for an error code on one line: line breaks and tabs become blanks, and
// trailing blanks go.
Text OneLineErrorMessage(uint32_t code) {
  const Text message = FilledText(256, [code](char* out, size_t room) {
    return platform::ErrorMessage(code, out, room);
  });
  Text line;
  for (size_t i = 1; i <= message.Length(); ++i) {
    const unsigned char c = message.At(i);
    if (c == '\r' && message.At(i + 1) == '\n') continue;  // one break, one blank
    line.Append(c == '\r' || c == '\n' || c == '\t' ? ' ' : static_cast<char>(c));
  }
  return TrimBlanks(line);  // a message starts with its first word: only its end has blanks
}

[[noreturn]] void EndWithLastError() { platform::EndProcess(platform::LastErrorCode()); }

}  // namespace

void OpenRunLog(const Text& path) {
  if (!platform::OpenForAppending(ZeroTerminatedOf(path), &log_file)) EndWithLastError();
  // A line that a full disk cut short would swallow this run's first record.
  if (!platform::EndsWithLineEnd(ZeroTerminatedOf(path)) && !platform::AppendLine(log_file, "", 0))
    EndWithLastError();
}

void LogStart(unsigned long long line_number, const platform::LocalTime& asked,
              const StartOutcome& outcome, const StartRequest& request,
              const StartSettings& settings, bool will_retry) {
  Text line;
  AppendDecimal(&line, line_number);
  line.Append('\t');
  AppendTime(&line, asked);
  line.Append('\t');
  const char* result = will_retry ? "retry" : ResultName(outcome.result);
  line.Append(result, std::strlen(result));
  line.Append('\t');
  AppendDecimal(&line, outcome.code);
  line.Append('\t');
  if (outcome.process_id)
    AppendDecimal(&line, outcome.process_id);
  else
    line.Append('-');
  line.Append('\t');
  if (outcome.result == StartResult::kFailed) {
    Text message = OneLineErrorMessage(outcome.code);
    line.Append(message.Bytes(), message.Length());
  }
  line.Append('\t');
  AppendRequestFields(&line, request, settings);
  if (!platform::AppendLine(log_file, line.Bytes(), line.Length())) EndWithLastError();
}

void CloseRunLog() {
  if (!platform::CloseFile(log_file)) EndWithLastError();
}
