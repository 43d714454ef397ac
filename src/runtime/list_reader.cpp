#include "runtime/list_reader.h"

#include <cstring>

#include "platform/platform.h"

uint32_t PendingIoError = 0;

namespace {

const unsigned char kEndOfData = 26;  // Ctrl-Z
const int kEndSignal = -1;

struct Reader {
  void* file;
  bool open;
  char buffer[kListReadRoom];
  uint32_t count;     // valid bytes in buffer, none past a byte 26
  uint32_t position;  // next unread byte
  bool ended;         // no further read is made; what is left in buffer is the last data
};
Reader reader;

// Makes sure the buffer holds an unread byte; false when the request is to be answered with the
// end signal. A failed read ends only this request, so the next one reads again.
bool FillBuffer() {
  if (reader.position < reader.count) return true;
  if (reader.ended) return false;
  uint32_t count = 0;
  if (!platform::ReadBytes(reader.file, reader.buffer, kListReadRoom, &count)) {
    uint32_t error = platform::LastErrorCode();
    if (error != platform::kBrokenPipe) {
      PendingIoError = error;
      return false;
    }
    count = 0;  // the writer of a pipe is gone: the normal end
  }
  if (count > kListReadRoom) count = 0;
  // Nothing from the first byte 26 on is data: the buffer is cut there, once per read, so
  // that no byte needs testing for it, and no further read is made.
  if (const void* mark = std::memchr(reader.buffer, kEndOfData, count)) {
    count = static_cast<uint32_t>(static_cast<const char*>(mark) - reader.buffer);
    reader.ended = true;
  }
  if (count == 0) reader.ended = true;
  reader.count = count;
  reader.position = 0;
  return count != 0;
}

// One byte as 0 to 255, or kEndSignal.
int TakeByte() {
  if (!FillBuffer()) return kEndSignal;
  return static_cast<unsigned char>(reader.buffer[reader.position++]);
}

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
  // Looks at the bytes in place rather than taking one and putting it back: the same result,
  // at a fraction of the cost per entry.
  while (FillBuffer()) {
    while (reader.position < reader.count) {
      if (!IsBlank(static_cast<unsigned char>(reader.buffer[reader.position]))) return false;
      ++reader.position;
    }
  }
  return true;
}

Text ReadLineText() {
  Text line;
  // Byte by byte this loop would cost several times the reads themselves: take each stretch of
  // the buffer up to a CR whole. The CR is left for SkipLineEnd.
  while (FillBuffer()) {
    const char* start = reader.buffer + reader.position;
    const uint32_t room = reader.count - reader.position;
    const char* cr = static_cast<const char*>(std::memchr(start, '\r', room));
    const uint32_t taken = cr ? static_cast<uint32_t>(cr - start) : room;
    line.Append(start, taken);
    reader.position += taken;
    if (cr) break;
  }
  return line;
}

void SkipLineEnd() {
  // The common case, a CR LF within the buffer, in one step.
  if (reader.count - reader.position >= 2 && reader.buffer[reader.position] == '\r' &&
      reader.buffer[reader.position + 1] == '\n') {
    reader.position += 2;
    return;
  }
  for (;;) {
    int byte = TakeByte();
    if (byte == kEndSignal) return;
    if (byte == '\r') break;
  }
  if (!FillBuffer()) return;
  if (reader.buffer[reader.position] == '\n') ++reader.position;
}

void CloseListFile() {
  if (!reader.open) return;
  reader.open = false;
  if (!platform::CloseFile(reader.file)) PendingIoError = platform::LastErrorCode();
}

void EndOnIoError() { platform::EndProcess(PendingIoError); }
