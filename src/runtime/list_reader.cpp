#include "runtime/list_reader.h"

#include "platform/platform.h"

uint32_t PendingIoError = 0;

namespace {

const unsigned char kEndOfData = 26;  // Ctrl-Z
const int kEndSignal = -1;

struct Reader {
  void* file;
  bool open;
  char buffer[kListReadRoom];
  uint32_t count;     // valid bytes in buffer
  uint32_t position;  // next unread byte
  bool ended;         // the end of data was met; no further read is made
};
Reader reader;

// One byte as 0 to 255, or kEndSignal. A byte 26 is left unread so that it ends the data for
// good; a failed read ends only this request, so the next one reads again.
int TakeByte() {
  if (reader.ended) return kEndSignal;
  if (reader.position == reader.count) {
    uint32_t count = 0;
    if (!platform::ReadBytes(reader.file, reader.buffer, kListReadRoom, &count)) {
      uint32_t error = platform::LastErrorCode();
      if (error != platform::kBrokenPipe) {
        PendingIoError = error;
        return kEndSignal;
      }
      count = 0;  // the writer of a pipe is gone: the normal end
    }
    if (count == 0 || count > kListReadRoom) {
      reader.ended = true;
      return kEndSignal;
    }
    reader.count = count;
    reader.position = 0;
  }
  unsigned char byte = static_cast<unsigned char>(reader.buffer[reader.position]);
  if (byte == kEndOfData) {
    reader.ended = true;
    return kEndSignal;
  }
  ++reader.position;
  return byte;
}

// Only the byte just taken is ever put back, and it is still in the buffer.
void PutBack() { --reader.position; }

}  // namespace

void OpenListFile(const Text& path) {
  reader.count = 0;
  reader.position = 0;
  reader.ended = false;
  // The path goes to the platform whole: cut short, it could name another, existing list.
  reader.open = platform::OpenForReading(ZeroTerminatedOf(path), &reader.file);
  if (!reader.open) {
    PendingIoError = platform::LastErrorCode();
    reader.ended = true;  // nothing to read from a file that is not open
  }
}

bool EndOfEntries() {
  for (;;) {
    int byte = TakeByte();
    if (byte == kEndSignal) return true;
    if (!IsBlank(static_cast<unsigned char>(byte))) {
      PutBack();
      return false;
    }
  }
}

Text ReadLineText() {
  Text line;
  for (;;) {
    int byte = TakeByte();
    if (byte == kEndSignal) return line;
    if (byte == '\r') {
      PutBack();
      return line;
    }
    line.Append(static_cast<char>(byte));
  }
}

void SkipLineEnd() {
  for (;;) {
    int byte = TakeByte();
    if (byte == kEndSignal) return;
    if (byte == '\r') break;
  }
  int byte = TakeByte();
  if (byte != kEndSignal && byte != '\n') PutBack();
}

void CloseListFile() {
  if (!reader.open) return;
  reader.open = false;
  if (!platform::CloseFile(reader.file)) PendingIoError = platform::LastErrorCode();
}

void ExitOnIoError() {
  if (PendingIoError != 0) platform::EndProcess(PendingIoError);
}
