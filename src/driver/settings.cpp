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

void ResetSettings() {
  ExeFile = Text();
  FileList = Text();
  BParams = Text();
  EParams = Text();
  Encoding = Text();
  Wait = WaitMode::kInputIdle;
  Preview = false;
  Quiet = false;
  for (OptionValue* option : {&LogFile, &WaitBound, &Verb, &ShowState, &StartFolder, &PauseTime})
    *option = OptionValue();
}
