#include "text/text.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace {

// Shared by every empty text, so that an empty text costs no allocation and still reads as "".
char kEmpty[1] = {0};

// old is null for a text that has no storage of its own yet; malloc is the cheaper call then.
char* AllocateOrEnd(char* old, size_t size) {
  char* bytes = static_cast<char*>(old ? std::realloc(old, size) : std::malloc(size));
  if (!bytes) platform::EndProcess(kOutOfMemoryExitCode);
  return bytes;
}

}  // namespace

Text::Text() : bytes_(kEmpty), length_(0), capacity_(0) {}

Text::Text(const char* bytes, size_t length) : Text() { Append(bytes, length); }

Text::Text(const Text& other) : Text() { Append(other.bytes_, other.length_); }

Text::Text(Text&& other) noexcept
    : bytes_(other.bytes_), length_(other.length_), capacity_(other.capacity_) {
  other.bytes_ = kEmpty;
  other.length_ = 0;
  other.capacity_ = 0;
}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    Clear();
    Append(other.bytes_, other.length_);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    if (capacity_) std::free(bytes_);
    bytes_ = other.bytes_;
    length_ = other.length_;
    capacity_ = other.capacity_;
    other.bytes_ = kEmpty;
    other.length_ = 0;
    other.capacity_ = 0;
  }
  return *this;
}

Text::~Text() {
  if (capacity_) std::free(bytes_);
}

void Text::Reserve(size_t length) {
  if (length < capacity_) return;  // capacity_ counts the terminating zero
  if (length + 1 < length) platform::EndProcess(kOutOfMemoryExitCode);
  // Doubling keeps a byte-by-byte append linear in the entry's length.
  size_t capacity = capacity_ < 16 ? 16 : capacity_;
  while (capacity <= length) {
    if (capacity > (size_t)-1 / 2) { capacity = length + 1; break; }
    capacity *= 2;
  }
  bytes_ = AllocateOrEnd(capacity_ ? bytes_ : nullptr, capacity);
  if (!capacity_) bytes_[0] = 0;
  capacity_ = capacity;
}

void Text::Append(char byte) {
  Reserve(length_ + 1);
  bytes_[length_++] = byte;
  bytes_[length_] = 0;
}

void Text::Append(const char* bytes, size_t length) {
  if (length == 0) return;
  Reserve(length_ + length);
  std::memmove(bytes_ + length_, bytes, length);
  length_ += length;
  bytes_[length_] = 0;
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
