#include "driver/run.h"

#include "driver/settings.h"
#include "launch/start_instance.h"
#include "platform/platform.h"
#include "runtime/arguments.h"
#include "text/helpers.h"

namespace {

bool IsOptionStart(unsigned char code) { return code == '-' || code == '/'; }

void Give(OptionValue* option, const Text& value) {
  option->given = true;
  option->value = value;
}

// Sets what the option asks for. The third character is skipped whatever it is, so /L:x,
// /L=x and /Lx... all work; a one-character option reads its letter as 0 and is ignored.
void ApplyOption(const Text& option) {
  Text value = SubText(option, 4, static_cast<long long>(option.Length()));
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
    case 'O': Give(&LogFile, value); break;
    case 'T': Give(&WaitBound, value); break;
    case 'V': Give(&Verb, value); break;
    case 'S': Give(&ShowState, value); break;
    case 'D': Give(&StartFolder, value); break;
    case 'P': Give(&PauseTime, value); break;
    default: break;  // not ours: ignored without a word
  }
}

void RunCommandLine() {
  int count = ArgumentCount();
  for (int i = 1; i <= count; ++i) {
    Text argument = TrimBlanks(ArgumentText(i));
    // An argument of quoted blanks trims to nothing: no option, and not a plain argument.
    if (argument.Empty()) continue;
    if (IsOptionStart(argument.At(1))) {
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
  if (FileList.Empty())
    ShowUsageBox();
  else
    RunList();
}

}  // namespace

void ShowUsageBox() {
  platform::ShowMessage(CORVANE_USAGE, CORVANE_CAPTION, platform::kIconInformation);
}

void Run() {
  RunCommandLine();
  platform::EndProcess(0);
}
