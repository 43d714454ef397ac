#include "driver/run.h"
#include "driver/settings.h"
#include "launch/associated_program.h"
#include "launch/start_instance.h"
#include "runtime/list_reader.h"
#include "text/helpers.h"

void RunList() {
  // Decided once: the lookup below rewrites ExeFile, and must not turn later entries into
  // named-program starts.
  const bool no_exe = ExeFile.Empty();
  const bool lookup = no_exe && (!BParams.Empty() || !EParams.Empty());
  const Text blank(" ", 1);

  OpenListFile(FileList);
  ExitOnIoError();
  for (;;) {
    bool end = EndOfEntries();
    ExitOnIoError();
    if (end) break;
    Text entry = ReadLineText();
    SkipLineEnd();
    ExitOnIoError();

    if (lookup) ExeFile = LookupAssociatedProgram(entry);
    Text command = TrimBlanks(JoinTexts({BParams, blank, QuoteEntry(entry), blank, EParams}));
    StartInstance(ExeFile, command, no_exe && ExeFile.Empty());
  }
  CloseListFile();
  ExitOnIoError();
}
