#include "driver/settings.h"

#include <initializer_list>

Text ExeFile;
Text FileList;
Text BParams;
Text EParams;
Text Encoding;
WaitMode Wait = WaitMode::kInputIdle;
bool Preview = false;
bool Quiet = false;
OptionValue LogFile;
OptionValue WaitBound;
OptionValue Verb;
OptionValue ShowState;
OptionValue StartFolder;
OptionValue PauseTime;
bool Expand = false;
bool Comments = false;
OptionValue Retries;
bool SkipRunning = false;

void ResetSettings() {
  ExeFile = Text();
  FileList = Text();
  BParams = Text();
  EParams = Text();
  Encoding = Text();
  Wait = WaitMode::kInputIdle;
  Preview = false;
  Quiet = false;
  Expand = false;
  Comments = false;
  SkipRunning = false;
  for (OptionValue* option :
       {&LogFile, &WaitBound, &Verb, &ShowState, &StartFolder, &PauseTime, &Retries})
    *option = OptionValue();
}
