#include "driver/settings.h"

Text ExeFile;
Text FileList;
Text BParams;
Text EParams;
Text Encoding;
bool WaitIdle = true;
bool Preview = false;

void ResetSettings() {
  ExeFile = Text();
  FileList = Text();
  BParams = Text();
  EParams = Text();
  Encoding = Text();
  WaitIdle = true;
  Preview = false;
}
