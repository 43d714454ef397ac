#include <cstring>

#include "driver/run.h"
#include "driver/settings.h"
#include "launch/associated_program.h"
#include "launch/preview.h"
#include "launch/start_instance.h"
#include "platform/platform.h"
#include "runtime/list_reader.h"
#include "text/helpers.h"

namespace {

// Nothing is started from a list that cannot be read as asked.
[[noreturn]] void RefuseEncoding() {
  ShowUsageBox();
  const char* parts[] = {"corvane: /C:", ZeroTerminatedOf(Encoding),
                         " names no list encoding that this system can read"};
  Text line;
  for (const char* part : parts) line.Append(part, std::strlen(part));
  platform::WriteDiagnostic(ZeroTerminatedOf(line));
  platform::EndProcess(platform::kInvalidParameter);
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
  const Text blank(" ", 1);
  // Where the started program splits its parameters the C runtime's way, backslashes before the
  // closing quote would escape it. The shell takes a file's quotes off by itself.
  const bool double_backslashes = platform::BackslashesEscapeQuotes();
  ListEncoding encoding;
  if (!ListEncodingNamed(Encoding, &encoding)) RefuseEncoding();

  OpenListFile(FileList, encoding);
  CheckList();
  PrepareShell();
  Text entry;
  for (;;) {
    bool end = EndOfEntries();
    CheckList();
    if (end) break;
    ReadLineText(&entry);
    SkipLineEnd();
    CheckList();

    if (lookup) ExeFile = LookupAssociatedProgram(entry);
    const bool direct = no_exe && ExeFile.Empty();
    Text quoted = QuoteEntry(entry, double_backslashes && !direct);
    Text command = TrimBlanks(JoinTexts({BParams, blank, quoted, blank, EParams}));
    if (Preview)
      PreviewInstance(ExeFile, command, direct);
    else
      StartInstance(ExeFile, command, direct);
  }
  CloseListFile();
  CheckList();
  if (Preview) FinishPreview(CORVANE_CAPTION);
}
