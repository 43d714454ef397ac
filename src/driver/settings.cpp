#include "driver/settings.h"

Text ExeFile;
Text FileList;
Text BParams;
Text EParams;
bool WaitIdle = true;

void ResetSettings() {
  ExeFile = Text();
  FileList = Text();
  BParams = Text();
  EParams = Text();
  WaitIdle = true;
}
