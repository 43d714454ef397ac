#include "driver/run.h"
#include "driver/settings.h"
#include "driver/start_options.h"
#include "launch/associated_program.h"
#include "launch/preview.h"
#include "launch/run_log.h"
#include "launch/start_instance.h"
#include "platform/platform.h"
#include "runtime/list_reader.h"
#include "text/helpers.h"

namespace {

// The folder of the path an entry names, made full from the current folder when it is relative:
// a program started there finds the files beside it. Empty when the entry names no folder.
Text EntryFolder(const Text& entry) {
  Text folder = FolderPart(EntryPath(entry));
  // A Linux path, or a Windows one written with slashes, is rooted at a slash.
  if (folder.Empty() || IsFullPath(folder) || folder.At(1) == '/') return folder;
  Text full = FilledText(260, [&folder](char* out, size_t room) {
    return platform::FullPath(ZeroTerminatedOf(folder), out, room);
  });
  return full.Empty() ? folder : full;
}

bool Failed(const StartOutcome& outcome) {
  return outcome.result == StartResult::kFailed ||
         (outcome.result == StartResult::kExited && outcome.code != 0);
}

// A list-file failure ends the run with its code; a preview shows first what it has, and why
// it stops there.
void CheckList() {
  if (PendingIoError == 0) return;
  if (Preview) FinishPreview(CORVANE_CAPTION, PendingIoError);
  EndOnIoError();
}

}  // namespace

void RunList() {
  // Decided once: the lookup below rewrites ExeFile, and must not turn later entries into
  // named-program starts.
  const bool no_exe = ExeFile.Empty();
  const bool lookup = no_exe && (!BParams.Empty() || !EParams.Empty());
  const bool entry_folders = StartFolder.given && StartFolder.value.Empty();
  const Text blank(" ", 1);
  // Where the started program splits its parameters the C runtime's way, backslashes before the
  // closing quote would escape it. The shell takes a file's quotes off by itself.
  const bool double_backslashes = platform::BackslashesEscapeQuotes();
  const ListEncoding encoding = CheckedEncoding();
  const StartSettings settings = CheckedStartSettings();
  const uint32_t pause_ms = CheckedPause();

  OpenListFile(FileList, encoding);
  CheckList();
  const bool logging = LogFile.given && !Preview;
  if (logging) OpenRunLog(LogFile.value);
  PrepareShell(settings);
  StartRequest request;
  request.folder = StartFolder.value;
  bool first = true, any_failed = false;
  Text entry;
  for (;;) {
    bool end = EndOfEntries();
    CheckList();
    if (end) break;
    const unsigned long long line_number = ListLineNumber();
    ReadLineText(&entry);
    SkipLineEnd();
    CheckList();

    if (lookup) ExeFile = LookupAssociatedProgram(entry);
    request.program = ExeFile;
    request.direct = no_exe && ExeFile.Empty();
    const Text quoted = QuoteEntry(entry, double_backslashes && !request.direct);
    request.command = TrimBlanks(JoinTexts({BParams, blank, quoted, blank, EParams}));
    if (entry_folders) request.folder = EntryFolder(entry);
    if (Preview) {
      PreviewInstance(request, settings);
      continue;
    }
    if (!first && pause_ms > 0) platform::Pause(pause_ms);
    first = false;
    const platform::LocalTime asked = logging ? platform::LocalTimeNow() : platform::LocalTime();
    const StartOutcome outcome = StartInstance(request, settings);
    any_failed = any_failed || Failed(outcome);
    if (logging) LogStart(line_number, asked, outcome, request, settings);
  }
  CloseListFile();
  CheckList();
  if (logging) CloseRunLog();
  if (Preview) FinishPreview(CORVANE_CAPTION);
  // Only asked for: without /Q a failed start was the shell's to show, and the code stays 0.
  if (Quiet && any_failed) platform::EndProcess(1);
}
