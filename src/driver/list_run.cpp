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

}  // namespace

void RunList() {
  // Decided once: the lookup below rewrites ExeFile, and must not turn later entries into
  // named-program starts.
  const bool no_exe = ExeFile.Empty();
  const bool lookup = no_exe && (!BParams.Empty() || !EParams.Empty());
  const Text blank(" ", 1);
  ListEncoding encoding;
  if (!ListEncodingNamed(Encoding, &encoding)) RefuseEncoding();

  OpenListFile(FileList, encoding);
  ExitOnIoError();
  PrepareShell();
  Text entry;
  for (;;) {
    bool end = EndOfEntries();
    ExitOnIoError();
    if (end) break;
    ReadLineText(&entry);
    SkipLineEnd();
    ExitOnIoError();

    if (lookup) ExeFile = LookupAssociatedProgram(entry);
    Text command = TrimBlanks(JoinTexts({BParams, blank, QuoteEntry(entry), blank, EParams}));
    if (Preview)
      PreviewInstance(ExeFile, command, no_exe && ExeFile.Empty());
    else
      StartInstance(ExeFile, command, no_exe && ExeFile.Empty());
  }
  CloseListFile();
  ExitOnIoError();
  if (Preview) FinishPreview(CORVANE_CAPTION);
}
