// What the fuzz targets share: the layout of a fuzz input, the fake scripted from it, and
// small reference models of the splitting and list-reading rules, written straight from the
// rules over whole strings and event streams rather than buffers and positions, so that they
// share no mistake with the code under test.
#ifndef CORVANE_TESTS_FUZZ_FUZZ_SUPPORT_H_
#define CORVANE_TESTS_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fake.h"
#include "runtime/list_encoding.h"
#include "text/text.h"

// Stops the fuzzer with a message; libFuzzer keeps the input that got here.
#define FUZZ_CHECK(condition, ...)                                             \
  do {                                                                         \
    if (!(condition)) FuzzFail(__FILE__, __LINE__, #condition, ##__VA_ARGS__); \
  } while (0)
[[noreturn]] void FuzzFail(const char* file, int line, const char* condition,
                           const std::string& detail = "");

inline std::string S(const Text& t) { return std::string(t.Bytes(), t.Length()); }
// Printable, for failure messages.
std::string Escaped(const std::string& s);
// Fails at the first call that differs, printing both sequences around it.
void CheckCalls(const std::vector<std::string>& want, const std::vector<std::string>& got);

// Takes the input apart front to back; a short input reads as zeros and empty texts.
class InputCursor {
 public:
  InputCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Bytes(size_t count);
  // Up to the next zero byte, which is dropped.
  std::string UpToZero();
  std::string Rest() { return Bytes(size_ - at_); }
  bool Done() const { return at_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// How the list file behaves. Encoded as a flags byte, a count byte and that many read bytes:
//   flags bit 0: the open fails, with code {2, 3, 5, 32}[bits 1-2]; bit 3: the close fails (6);
//   bits 4-6: the encoding the list_reader target forces (the run takes /C: instead, and reads
//   the bits its own way), one of detect, UTF-8, UTF-16LE, UTF-16BE, and the fake's code pages
//   850, 1252, ANSI and OEM;
//   bit 7: the run target follows the Linux port's command-line conventions.
//   read byte 240 to 255: the read fails with a code from a fixed table (109 among them);
//   any other byte b: the read brings b % 129 bytes of the content (0: the physical end).
// After the scripted reads the rest of the content comes in reads of 128, then the end.
struct ListScript {
  uint8_t flags = 0;
  bool open_fails = false;
  uint32_t open_error = 0;
  bool close_fails = false;
  uint32_t close_error = 6;
  ListEncoding forced;
  bool linux_port = false;
  std::string plan;
  std::vector<fake::ReadResult> reads;  // what each read brings; past the last, the end
};
ListScript TakeListScript(InputCursor& input);
// Cuts the content into the reads the plan asks for.
void SetContent(ListScript& script, const std::string& content);
void ApplyListScript(const ListScript& script, fake::State& fake);

// The list run's walk over the reader, by the rules: the entries it would use, as UTF-8, how
// many reads had been made when each was used, and the line each stands in (every CR ends one).
struct ModelEntry {
  std::string text;
  size_t reads;
  unsigned long long line;
};
struct ModelListFile {
  std::vector<ModelEntry> entries;
  size_t reads = 0;      // in all
  uint32_t failure = 0;  // what a check ends the process with; 0 when the data ended normally
};
ModelListFile ModelReader(const std::vector<fake::ReadResult>& reads, ListEncoding encoding);

// The arguments after the program name, by the splitting rules, each at most room bytes (at
// least 4, so that any character fits an empty argument). A quoted stretch cut by the bound may
// go on in more than one way; from that argument on, the model only knows the arguments before
// it, and unsure is set.
struct ModelArguments {
  std::vector<std::string> arguments;
  bool unsure = false;
};
ModelArguments ModelSplit(const std::string& line, size_t room = 4096);

// UTF-8 by the code points a sequence can stand for: a lead byte gives the length, each
// trail 10xxxxxx six more bits, and a start is well formed while some completion of it is a
// code point of that length (not overlong, no surrogate, at most U+10FFFF). A step is a whole
// well-formed sequence (valid), or else the longest well-formed start, at least one byte.
struct ModelCharacter {
  size_t length;
  bool valid;
};
ModelCharacter ModelUtf8Step(const std::string& s, size_t at, size_t available);
bool ModelValidUtf8(const std::string& s);
std::string ModelRepaired(const std::string& s);  // each ill-formed step one U+FFFD
std::string ModelUtf8(uint32_t code);

// The text helpers, by their rules.
bool ModelBlank(uint32_t c);
std::string ModelTrim(const std::string& s);
std::string ModelQuote(const std::string& entry, bool double_trailing_backslashes = false);
std::string ModelEntryPath(const std::string& entry);
std::string ModelEntryFile(const std::string& entry);  // a lone quote at either end off too
std::string ModelFolderPart(const std::string& path);
std::string ModelOwnFolder(const std::string& file);
size_t ModelUtf16Length(const std::string& s);  // an ill-formed step's bytes one unit each
std::string ModelDirectory(const std::string& path);
bool ModelFullPath(const std::string& path);

// Calls as the fake records them.
std::string QuotedCall(const std::string& text);  // as a zero-terminated text: cut at a zero
std::string PointerCall(uintptr_t p);
std::string ShellCall(const std::string& file, const std::string* parameters,
                      const std::string& verb = "", const std::string& folder = "", int show = 10,
                      int mask = 320);
extern const char kCreateList[];  // for the path "list.txt"
extern const char kReadList[];
extern const char kCloseList[];
std::string ExitCall(uint32_t code);

#endif  // CORVANE_TESTS_FUZZ_FUZZ_SUPPORT_H_
