#include "text/text.h"

#include <cstdlib>
#include <cstring>

namespace {

// Until a platform sets its own handler. exit, not _Exit: the Windows build imports it already.
[[noreturn]] void EndNow(unsigned code) { std::exit(static_cast<int>(code)); }

void (*out_of_memory_handler)(unsigned) = EndNow;

[[noreturn]] void OutOfMemory() {
  out_of_memory_handler(kOutOfMemoryExitCode);
  __builtin_unreachable();  // no handler returns
}

}  // namespace

void* AllocateOrEnd(size_t size) {
  void* memory = std::malloc(size);
  if (!memory) OutOfMemory();
  return memory;
}

void SetOutOfMemoryHandler(void (*handler)(unsigned)) {
  out_of_memory_handler = handler ? handler : EndNow;
}

Text::Text(const char* bytes, size_t length) : Text() { Append(bytes, length); }

Text::Text(const Text& other) : Text() { Append(other.bytes_, other.length_); }

Text::Text(Text&& other) noexcept : Text() { TakeOver(other); }

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    Clear();
    Append(other.bytes_, other.length_);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    if (bytes_ != inline_) Release();
    TakeOver(other);
  }
  return *this;
}

void Text::Release() {
  std::free(bytes_);
  bytes_ = inline_;
  capacity_ = kInlineRoom;
}

// Moves other's bytes here, leaving other empty; this holds no memory of its own.
void Text::TakeOver(Text& other) {
  length_ = other.length_;
  if (other.bytes_ == other.inline_) {
    bytes_ = inline_;
    capacity_ = kInlineRoom;
    std::memcpy(inline_, other.inline_, length_ + 1);
  } else {
    bytes_ = other.bytes_;
    capacity_ = other.capacity_;
    other.bytes_ = other.inline_;
    other.capacity_ = kInlineRoom;
  }
  other.Clear();
}

// The slow path of Append: new memory, doubled so that appending byte by byte stays linear.
// bytes may point into the old memory, so it is freed only after the copy.
void Text::AppendGrowing(const char* bytes, size_t length) {
  char* old = Grow(length);
  std::memcpy(bytes_ + length_, bytes, length);
  length_ += length;
  bytes_[length_] = 0;
  if (old) std::free(old);
}

// Gives the memory the text held before, for the caller to free once it has copied from it;
// null when that was the inline room.
char* Text::Grow(size_t more) {
  const size_t needed = length_ + more;
  if (needed < length_ || needed + 1 < needed) OutOfMemory();
  size_t capacity = capacity_;
  while (capacity <= needed) capacity = capacity > (size_t)-1 / 2 ? needed + 1 : capacity * 2;
  char* grown = static_cast<char*>(AllocateOrEnd(capacity));
  std::memcpy(grown, bytes_, length_ + 1);
  char* old = bytes_ != inline_ ? bytes_ : nullptr;
  bytes_ = grown;
  capacity_ = capacity;
  return old;
}

bool operator==(const Text& a, const Text& b) {
  return a.Length() == b.Length() && std::memcmp(a.Bytes(), b.Bytes(), a.Length()) == 0;
}

Text SubText(const Text& text, long long start, long long count) {
  long long length = static_cast<long long>(text.Length());
  if (start < 1) start = 1;
  if (count <= 0 || start > length) return Text();
  long long rest = length - start + 1;
  if (count > rest) count = rest;
  return Text(text.Bytes() + (start - 1), static_cast<size_t>(count));
}

unsigned char UpperAsciiLetter(unsigned char code) {
  return code >= 'a' && code <= 'z' ? static_cast<unsigned char>(code - 32) : code;
}

Text JoinTexts(const Text* texts, size_t count) {
  Text joined;
  for (size_t i = 0; i < count; ++i) joined.Append(texts[i].Bytes(), texts[i].Length());
  return joined;
}

const char* ZeroTerminatedOf(const Text& text) { return text.Bytes(); }

Text TextFromZeroTerminated(const char* bytes) {
  return bytes ? Text(bytes, std::strlen(bytes)) : Text();
}

void AppendDecimal(Text* text, unsigned long long number, int digits) {
  char reversed[20];
  int count = 0;
  do {
    // Shifts and adds: a 32-bit build has no 64-bit division of its own, and its helper library
    // would cost more than the rest of this file.
    unsigned long long quotient = (number >> 1) + (number >> 2);
    quotient += quotient >> 4;
    quotient += quotient >> 8;
    quotient += quotient >> 16;
    quotient += quotient >> 32;
    quotient >>= 3;
    unsigned long long rest = number - quotient * 10;
    while (rest >= 10) {
      rest -= 10;
      ++quotient;
    }
    reversed[count++] = static_cast<char>('0' + rest);
    number = quotient;
  } while (number != 0);
  while (count < digits && count < static_cast<int>(sizeof reversed)) reversed[count++] = '0';
  while (count > 0) text->Append(reversed[--count]);
}
