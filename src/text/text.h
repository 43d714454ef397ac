// The byte string every setting, argument, entry and command text is held in, and the few
// operations on it that the rest of corvane relies on to the letter.
#ifndef CORVANE_TEXT_TEXT_H_
#define CORVANE_TEXT_TEXT_H_

#include <cstddef>
#include <cstdlib>
#include <cstring>

// A byte string of any length, always followed by a zero byte so that it can be handed to the
// platform as it is. Kept this lean (no std::string) so that the Windows build needs none of
// the C++ library's exception machinery; running out of memory ends the process with 203.
// Texts as short as most list entries live inside the object: reading a list then costs no
// allocation per entry.
class Text {
 public:
  Text() : bytes_(inline_), length_(0), capacity_(kInlineRoom) { inline_[0] = 0; }
  Text(const char* bytes, size_t length);
  Text(const Text& other);
  Text(Text&& other) noexcept;
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;
  ~Text() {
    if (bytes_ != inline_) Release();
  }

  size_t Length() const { return length_; }
  bool Empty() const { return length_ == 0; }
  const char* Bytes() const { return bytes_; }
  // The unsigned code at a 1-based position; 0 outside the text, so a short text never reads
  // past its end.
  unsigned char At(size_t position) const {
    return position >= 1 && position <= length_ ? static_cast<unsigned char>(bytes_[position - 1])
                                                : 0;
  }

  void Append(char byte) { Append(&byte, 1); }
  // bytes may come from this very text.
  void Append(const char* bytes, size_t length) {
    if (length >= capacity_ - length_) return AppendGrowing(bytes, length);
    std::memmove(bytes_ + length_, bytes, length);
    length_ += length;
    bytes_[length_] = 0;
  }
  void Clear() {
    length_ = 0;
    bytes_[0] = 0;
  }
  // Room for length more bytes at the end, for a converter to write into; Extend then counts
  // in what it wrote (at most length).
  char* AppendRoom(size_t length) {
    if (length >= capacity_ - length_) std::free(Grow(length));
    return bytes_ + length_;
  }
  void Extend(size_t count) {
    length_ += count;
    bytes_[length_] = 0;
  }

 private:
  static const size_t kInlineRoom = 104;  // the object is 128 bytes on 64-bit systems

  void AppendGrowing(const char* bytes, size_t length);
  // Moves the text to new memory with room for more bytes; gives the old memory to free.
  char* Grow(size_t more);
  void Release();
  void TakeOver(Text& other);

  char* bytes_;      // inline_, or memory of its own
  size_t length_;
  size_t capacity_;  // room at bytes_, the terminating zero included
  char inline_[kInlineRoom];
};

bool operator==(const Text& a, const Text& b);
inline bool operator!=(const Text& a, const Text& b) { return !(a == b); }

// Exit code when memory runs out.
const unsigned kOutOfMemoryExitCode = 203;
// Called with that code when memory runs out, to end the process the platform's way (output
// flushed, the fake's record); it must not return. Without one (or with null) the process ends
// with the code all the same.
void SetOutOfMemoryHandler(void (*handler)(unsigned exit_code));
// size bytes from malloc, or the end of the process when there are none.
void* AllocateOrEnd(size_t size);

// Codes 0 to 32, compared unsigned, so 128 to 255 never count.
inline bool IsBlank(unsigned char code) { return code <= 32; }

// The characters from 1-based start on, at most count of them; a start below 1 counts as 1
// without shortening the count.
Text SubText(const Text& text, long long start, long long count);
// a to z become A to Z; every other code, 128 to 255 too, stays.
unsigned char UpperAsciiLetter(unsigned char code);
// The texts one after the other, nothing between them.
Text JoinTexts(const Text* texts, size_t count);
template <size_t N>
Text JoinTexts(const Text (&texts)[N]) { return JoinTexts(texts, N); }
// Never null: the empty text is an empty zero-terminated text.
const char* ZeroTerminatedOf(const Text& text);
// Up to the first zero byte; null gives the empty text.
Text TextFromZeroTerminated(const char* bytes);
// A text that a platform call writes: fill(out, room) gives the bytes the text needs, and writes
// them only when they fit in room. Asked once with a first guess, and again when it needs more.
template <typename Fill>
Text FilledText(size_t room, Fill fill) {
  Text text;
  size_t needed = fill(text.AppendRoom(room), room);
  if (needed > room) {
    room = needed;
    needed = fill(text.AppendRoom(room), room);
  }
  text.Extend(needed <= room ? needed : 0);
  return text;
}
// The number in decimal digits, at least digits of them (zeros in front).
void AppendDecimal(Text* text, unsigned long long number, int digits = 1);

#endif  // CORVANE_TEXT_TEXT_H_
