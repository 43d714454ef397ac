#include <cstring>

#include "driver/run.h"
#include "driver/settings.h"
#include "driver/start_options.h"
#include "launch/associated_program.h"
#include "launch/preview.h"
#include "launch/run_log.h"
#include "launch/running_program.h"
#include "launch/start_instance.h"
#include "platform/platform.h"
#include "runtime/list_reader.h"
#include "text/helpers.h"

namespace {

// What every entry of the run is turned into, decided once before the first.
struct ListRun {
  // ExeFile before the run: the lookup rewrites it, and must not turn later entries into
  // named-program starts.
  bool no_exe;
  bool lookup;
  bool entry_folders;  // /D alone
  // Where the started program splits its parameters the C runtime's way, backslashes before the
  // closing quote would escape it. The shell takes a file's quotes off by itself.
  bool double_backslashes;
  StartSettings settings;
  RunPlan plan;
  bool logging;
  bool any_started = false;
  bool any_failed = false;
};

// A relative path made full from the current folder; as it is when that cannot be done.
Text MadeFull(const Text& path) {
  Text full = FilledText(260, [&path](char* out, size_t room) {
    return platform::FullPath(ZeroTerminatedOf(path), out, room);
  });
  return full.Empty() ? path : full;
}

// B-text, a blank, the quoted entry, a blank and E-text, the whole trimmed once.
void ComposeCommand(const ListRun& run, const Text& entry, StartRequest* request) {
  const Text quoted = QuoteEntry(entry, run.double_backslashes && !request->direct);
  Text command = BParams;
  command.Append(' ');
  command.Append(quoted.Bytes(), quoted.Length());
  command.Append(' ');
  command.Append(EParams.Bytes(), EParams.Length());
  request->command = TrimBlanks(command);
}

// The start an entry asks for; *file is the file it names, for /A.
StartRequest RequestFor(const ListRun& run, const Text& entry_as_read, Text* file) {
  StartRequest request;
  Text entry = entry_as_read;
  *file = EntryFile(entry);
  request.folder = StartFolder.value;
  if (run.entry_folders) {
    // A program started in the entry's own folder would look for the relative entry there
    // again: the entry goes to it made full.
    const Text folder = OwnFolderPart(*file);
    if (!folder.Empty() && !IsRootedPath(folder)) entry = *file = MadeFull(*file);
    request.folder = OwnFolderPart(*file);
  }
  if (run.lookup) ExeFile = LookupAssociatedProgram(entry, request.folder);
  request.program = ExeFile;
  request.direct = run.no_exe && ExeFile.Empty();
  if (request.direct && !run.lookup &&
      platform::StartsAsProgram(ZeroTerminatedOf(*file), ZeroTerminatedOf(request.folder))) {
    // Started as it is, with no parameters; a bare name is the file here, not one on the PATH.
    request.direct = false;
    const bool slash = std::memchr(file->Bytes(), '/', file->Length()) != nullptr;
    request.program = slash ? *file : JoinTexts({Text("./", 2), *file});
    return request;
  }
  ComposeCommand(run, entry, &request);
  return request;
}

bool Failed(const StartOutcome& outcome) {
  return outcome.result == StartResult::kFailed ||
         (outcome.result == StartResult::kExited && outcome.code != 0);
}

void Log(const ListRun& run, unsigned long long line_number, const platform::LocalTime& asked,
         const StartOutcome& outcome, const StartRequest& request, bool will_retry = false) {
  if (run.logging) LogStart(line_number, asked, outcome, request, run.settings, will_retry);
}

platform::LocalTime Now(const ListRun& run) {
  return run.logging ? platform::LocalTimeNow() : platform::LocalTime();
}

// An entry that /I would grow past what the system takes: nothing is started, and the log shows
// the entry as written.
void RefuseTooLong(ListRun* run, unsigned long long line_number, const Text& entry) {
  StartRequest request;
  request.direct = run->no_exe;
  if (!run->no_exe) request.program = ExeFile;
  request.folder = StartFolder.value;
  ComposeCommand(*run, entry, &request);
  if (Preview) return PreviewInstance(request, run->settings);
  StartOutcome outcome;
  outcome.result = StartResult::kFailed;
  outcome.code = platform::kFilenameTooLong;
  if (!run->settings.quiet)
    platform::WriteDiagnostic("corvane: an entry grows past 32767 characters with /I");
  run->any_failed = true;
  Log(*run, line_number, Now(*run), outcome, request);
}

// One entry: not started when its program already runs (/A); else started, and while the shell
// refuses, tried again as /R says. Every try but the last asks the shell to show nothing, so that
// an entry shows at most one error box.
void StartEntry(ListRun* run, unsigned long long line_number, const Text& entry) {
  Text file;
  StartRequest request = RequestFor(*run, entry, &file);
  if (Preview) return PreviewInstance(request, run->settings);
  if (SkipRunning) {
    StartOutcome running;
    running.process_id = RunningProcessOf(file, request.folder);
    running.result = StartResult::kRunning;
    if (running.process_id) return Log(*run, line_number, Now(*run), running, request);
  }
  if (run->any_started && run->plan.pause_ms > 0) platform::Pause(run->plan.pause_ms);
  run->any_started = true;
  StartSettings settings = run->settings;
  for (uint32_t tries_left = run->plan.retries;; --tries_left) {
    settings.quiet = run->settings.quiet || tries_left > 0;
    const platform::LocalTime asked = Now(*run);
    const StartOutcome outcome = StartInstance(request, settings);
    const bool refused = outcome.result == StartResult::kFailed;
    if (!refused) ForgetRunningProcesses();
    const bool again = refused && tries_left > 0 && !platform::FailureIsFinal(outcome.code);
    // A failure no wait can mend, met on a quiet try, is made once more for the shell's box; but
    // a user who declined an elevation prompt would only be asked again, and has seen enough.
    const bool for_the_box = refused && !again && !run->settings.quiet && tries_left > 0 &&
                             outcome.code != platform::kCancelled;
    if (!again && !for_the_box) {
      run->any_failed = run->any_failed || Failed(outcome);
      return Log(*run, line_number, asked, outcome, request);
    }
    Log(*run, line_number, asked, outcome, request, true);
    if (again && run->plan.retry_pause_ms > 0) platform::Pause(run->plan.retry_pause_ms);
    if (for_the_box) tries_left = 1;
    // A missing drive fails the lookup as it fails the start: the whole start is made again.
    request = RequestFor(*run, entry, &file);
  }
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
  ListRun run;
  run.no_exe = ExeFile.Empty();
  run.lookup = run.no_exe && (!BParams.Empty() || !EParams.Empty());
  const ListEncoding encoding = CheckedEncoding();
  run.settings = CheckedStartSettings();
  run.plan = CheckedRunPlan();
  run.entry_folders = StartFolder.given && StartFolder.bare;
  run.double_backslashes = platform::BackslashesEscapeQuotes();
  run.logging = LogFile.given && !Preview;

  OpenListFile(FileList, encoding);
  CheckList();
  if (run.logging) {
    // Records appended to the list that is being read would come back as entries.
    if (ListFileIs(LogFile.value)) RefuseValue('O', LogFile.value, "is the list file");
    OpenRunLog(LogFile.value);
  }
  PrepareShell(run.settings);
  ForgetRunningProcesses();  // none walked yet
  bool first = true;
  Text line, expanded;
  for (;;) {
    bool end = EndOfEntries();
    CheckList();
    if (end) break;
    const unsigned long long line_number = ListLineNumber();
    ReadLineText(&line);
    SkipLineEnd();
    CheckList();

    if (Comments && (line.At(1) == ';' || line.At(1) == '#')) continue;
    if (first && !Preview && run.plan.first_pause_ms > 0) platform::Pause(run.plan.first_pause_ms);
    first = false;
    if (!Expand) {
      StartEntry(&run, line_number, line);
    } else if (!Expanded(line, &expanded)) {
      RefuseTooLong(&run, line_number, line);
    } else if (!TrimBlanks(expanded).Empty()) {  // nothing left: a blank line
      StartEntry(&run, line_number, expanded);
    }
  }
  CloseListFile();
  CheckList();
  if (run.logging) CloseRunLog();
  if (Preview) FinishPreview(CORVANE_CAPTION);
  // Only asked for: without /Q a failed start was the shell's to show, and the code stays 0.
  if (Quiet && run.any_failed) platform::EndProcess(1);
}
