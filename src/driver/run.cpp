#include "driver/run.h"

#include "driver/settings.h"
#include "driver/start_options.h"
#include "launch/start_instance.h"
#include "platform/platform.h"
#include "runtime/arguments.h"
#include "text/helpers.h"
#include "text/utf8.h"

namespace {

// The bytes of the character at a 1-based position of a trimmed argument; 0 past its end.
size_t CharacterLength(const Text& text, size_t position) {
  if (position > text.Length()) return 0;
  bool valid;
  return Utf8Step(text.Bytes() + position - 1, text.Length() - position + 1, &valid);
}

void Give(OptionValue* option, const Text& value, bool bare) {
  option->given = true;
  option->value = value;
  option->bare = bare;
}

// Where the letter's character ends, 1-based: the character after it comes next.
size_t AfterLetter(const Text& argument) { return 2 + CharacterLength(argument, 2); }

bool IsOption(const Text& argument) {
  if (argument.At(1) == '-') return true;
  if (argument.At(1) != '/') return false;
  if (!platform::SlashOptionsNeedSeparator()) return true;
  // An absolute Linux path is no option, "/" alone neither: /W is, and so are /L:x and /L=x.
  const size_t third = AfterLetter(argument);
  if (third == 2) return false;
  return third == argument.Length() + 1 || argument.At(third) == ':' || argument.At(third) == '=';
}

// Sets what the option asks for. The character after the letter is skipped whatever it is, so
// /L:x, /L=x and /Lx... all work; a one-character option reads its letter as 0 and is ignored.
void ApplyOption(const Text& option) {
  const size_t third = AfterLetter(option);
  Text value = SubText(option, static_cast<long long>(third + CharacterLength(option, third)),
                       static_cast<long long>(option.Length()));
  const bool bare = third > option.Length();
  switch (UpperAsciiLetter(option.At(2))) {
    case 'B': BParams = value; break;
    case 'C': Encoding = value; break;
    case 'E': EParams = value; break;
    case 'L': FileList = value; break;
    case 'X': ExeFile = value; break;
    case 'W': Wait = WaitMode::kNone; break;
    case 'F': Wait = WaitMode::kEnd; break;
    case 'N': Preview = true; break;
    case 'Q': Quiet = true; break;
    case 'I': Expand = true; break;
    case 'K': Comments = true; break;
    case 'A': SkipRunning = true; break;
    case 'O': Give(&LogFile, value, bare); break;
    case 'T': Give(&WaitBound, value, bare); break;
    case 'V': Give(&Verb, value, bare); break;
    case 'S': Give(&ShowState, value, bare); break;
    case 'D': Give(&StartFolder, value, bare); break;
    case 'P': Give(&PauseTime, value, bare); break;
    case 'R': Give(&Retries, value, bare); break;
    default: break;  // not ours: ignored without a word
  }
}

// /Q wherever it stands: a run nobody watches must never wait at the usage box, also for a
// plain argument that comes before it.
bool QuietAnywhere(int count) {
  for (int i = 1; i <= count; ++i) {
    Text argument = TrimBlanks(ArgumentText(i));
    if (!argument.Empty() && IsOption(argument) && UpperAsciiLetter(argument.At(2)) == 'Q')
      return true;
  }
  return false;
}

void RunCommandLine() {
  int count = ArgumentCount();
  Quiet = QuietAnywhere(count);
  for (int i = 1; i <= count; ++i) {
    Text argument = TrimBlanks(ArgumentText(i));
    // An argument of quoted blanks trims to nothing: no option, and not a plain argument.
    if (argument.Empty()) continue;
    if (IsOption(argument)) {
      ApplyOption(argument);
      continue;
    }
    if (count == 1) {
      const StartSettings settings;
      PrepareShell(settings);
      StartRequest request;
      request.command = argument;
      request.direct = true;
      StartInstance(request, settings);
    } else {
      ShowUsageBox();
    }
    return;
  }
  if (Expand) ExpandOptionValues();
  if (FileList.Empty())
    ShowUsageBox();
  else
    RunList();
}

}  // namespace

void ShowUsageBox() {
  if (Quiet) platform::EndProcess(platform::kInvalidParameter);
  platform::ShowMessage(CORVANE_USAGE, CORVANE_CAPTION, platform::kIconInformation);
}

void Run() {
  RunCommandLine();
  platform::EndProcess(0);
}
