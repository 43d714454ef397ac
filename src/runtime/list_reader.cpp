#include "runtime/list_reader.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/platform.h"
#include "text/utf8.h"

uint32_t PendingIoError = 0;

namespace {

const unsigned char kEndOfData = 26;  // Ctrl-Z
const int kEndSignal = -1;

// A read of a UTF-16 list brings 64 units at most, each three UTF-8 bytes at most, after one
// U+FFFD for a high surrogate left unpaired by the read before.
const uint32_t kBufferRoom = 3 * (kListReadRoom / 2) + 3 + 1;  // and the last store's spare byte
// Bytes kept back for the next read: the start of a byte-order mark, or half a UTF-16 unit.
const uint32_t kHeldRoom = 2;

struct Mark {
  const char* bytes;
  uint32_t length;
  ListCoding coding;
};
const Mark kMarks[] = {{"\xEF\xBB\xBF", 3, ListCoding::kUtf8},
                       {"\xFF\xFE", 2, ListCoding::kUtf16Le},
                       {"\xFE\xFF", 2, ListCoding::kUtf16Be}};

struct Reader {
  void* file;
  bool open;
  ListEncoding encoding;
  bool sniffing;             // the first bytes may still be a byte-order mark
  char buffer[kBufferRoom];  // the list's bytes; for a UTF-16 list, its text as UTF-8
  uint32_t count;            // valid bytes in buffer, none past a byte 26
  uint32_t position;         // next unread byte
  bool as_is;                // an entry from buffer needs no decoding
  bool zero;                 // buffer holds a zero byte
  bool ended;                // no further read is made; what is left in buffer is the last data
  // Where bytes are read while they cannot go to buffer as they are: behind those held back.
  char raw[kHeldRoom + kListReadRoom];
  uint32_t held;
  uint32_t high_surrogate;  // waiting for its low half; 0 when none
  unsigned long long lines_ended;  // the CRs passed
};
Reader reader;

// One read into target: false when it failed, which is recorded and ends only this request;
// *got is 0 at the end of the data.
bool ReadInto(char* target, uint32_t* got) {
  *got = 0;
  if (!platform::ReadBytes(reader.file, target, kListReadRoom, got)) {
    uint32_t error = platform::LastErrorCode();
    if (error != platform::kBrokenPipe) {
      PendingIoError = error;
      return false;
    }
    *got = 0;  // the writer of a pipe is gone: the normal end
  }
  if (*got > kListReadRoom) *got = 0;
  return true;
}

// The length of the byte-order mark at the start of raw, 0 when there is none, or -1 when the
// bytes so far begin one and the next read decides. Only the mark of a forced encoding counts.
int MarkAtStart(uint32_t have, bool at_end) {
  for (const Mark& mark : kMarks) {
    if (reader.encoding.coding != ListCoding::kDetect && reader.encoding.coding != mark.coding)
      continue;
    uint32_t compared = have < mark.length ? have : mark.length;
    if (std::memcmp(reader.raw, mark.bytes, compared) != 0) continue;
    if (compared == mark.length) {
      reader.encoding.coding = mark.coding;
      return static_cast<int>(mark.length);
    }
    if (!at_end) return -1;
  }
  // No mark: a list whose first two bytes are a zero and a non-zero byte is UTF-16, as cmd /u
  // writes it. No file name holds a zero byte, so no other list starts so. A Ctrl-Z first ends
  // the data in either reading, and nothing after it is read.
  if (reader.encoding.coding != ListCoding::kDetect) return 0;
  if (have < 2) return at_end || reader.raw[0] == kEndOfData ? 0 : -1;
  if ((reader.raw[0] == 0) != (reader.raw[1] == 0))
    reader.encoding.coding = reader.raw[1] == 0 ? ListCoding::kUtf16Le : ListCoding::kUtf16Be;
  return 0;
}

// One UTF-16 unit as UTF-8 at out; gives the bytes written. A surrogate that is not one of a
// pair becomes U+FFFD.
uint32_t PutUnit(uint32_t unit, char* out) {
  uint32_t written = 0;
  if (reader.high_surrogate) {
    const uint32_t high = reader.high_surrogate;
    reader.high_surrogate = 0;
    if (unit >= 0xDC00 && unit <= 0xDFFF)
      return static_cast<uint32_t>(
          EncodeUtf8(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00), out));
    written = static_cast<uint32_t>(EncodeUtf8(kReplacementCode, out));
  }
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    reader.high_surrogate = unit;
    return written;
  }
  if (unit >= 0xDC00 && unit <= 0xDFFF) unit = kReplacementCode;
  return written + static_cast<uint32_t>(EncodeUtf8(unit, out + written));
}

// Four bytes at out, the lowest first whatever the machine's byte order.
inline void StoreLowFirst(char* out, uint32_t bytes) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  bytes = __builtin_bswap32(bytes);
#endif
  std::memcpy(out, &bytes, 4);
}

// One unit that is no surrogate as UTF-8 at out, in a four-byte store of which one, two or three
// bytes count; gives how many.
inline uint32_t PutCharacter(uint32_t unit, char* out) {
  const uint32_t last = 0x80 | (unit & 0x3F), middle = 0x80 | (unit >> 6 & 0x3F);
  const uint32_t bytes = unit < 0x80    ? unit
                         : unit < 0x800 ? (0xC0 | unit >> 6) | last << 8
                                        : (0xE0 | unit >> 12) | middle << 8 | last << 16;
  StoreLowFirst(out, bytes);
  return 1 + (unit >= 0x80) + (unit >= 0x800);
}

#if defined(__SSE2__)
// Eight units at p without a surrogate, worked out side by side: the four-byte stores and their
// lengths, put one after the other at out. False, with nothing written, when one is a surrogate.
bool PutEight(const unsigned char* p, bool big_endian, char** out) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  if (big_endian) v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
  const __m128i zero = _mm_setzero_si128();
  // Names in ASCII alone, as PowerShell 5.1 writes most lists: a byte each, all at once.
  const __m128i high = _mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xFF80)));
  if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, zero)) == 0xFFFF) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(*out), _mm_packus_epi16(v, v));
    *out += 8;
    return true;
  }
  const __m128i surrogate =
      _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))),
                      _mm_set1_epi16(static_cast<short>(0xD800)));
  if (_mm_movemask_epi8(surrogate)) return false;
  // Latin, Greek, Cyrillic and the like beside ASCII: two bytes at most, in 16-bit lanes.
  const __m128i narrow =
      _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xF800))), zero);
  if (_mm_movemask_epi8(narrow) == 0xFFFF) {
    const __m128i wide = _mm_cmpgt_epi16(v, _mm_set1_epi16(0x7F));  // all ones or none
    const __m128i two =
        _mm_or_si128(_mm_or_si128(_mm_set1_epi16(static_cast<short>(0x80C0)), _mm_srli_epi16(v, 6)),
                     _mm_slli_epi16(_mm_and_si128(v, _mm_set1_epi16(0x3F)), 8));
    alignas(16) uint16_t pairs[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(pairs),
                    _mm_or_si128(_mm_and_si128(wide, two), _mm_andnot_si128(wide, v)));
    const uint32_t wide_bits = static_cast<uint32_t>(_mm_movemask_epi8(wide));
    char* at = *out;  // a local: a store through *out could change *out itself
    for (int i = 0; i < 8; ++i) {
      at[0] = static_cast<char>(pairs[i]);
      at[1] = static_cast<char>(pairs[i] >> 8);
      at += 1 + (wide_bits >> (2 * i) & 1);
    }
    *out = at;
    return true;
  }
  alignas(16) uint32_t bytes[8], lengths[8];
  const __m128i low6 = _mm_set1_epi32(0x3F);
  for (int half = 0; half < 2; ++half) {
    const __m128i unit = half ? _mm_unpackhi_epi16(v, zero) : _mm_unpacklo_epi16(v, zero);
    const __m128i last = _mm_or_si128(_mm_set1_epi32(0x80), _mm_and_si128(unit, low6));
    const __m128i middle =
        _mm_or_si128(_mm_set1_epi32(0x80), _mm_and_si128(_mm_srli_epi32(unit, 6), low6));
    const __m128i two = _mm_or_si128(_mm_or_si128(_mm_set1_epi32(0xC0), _mm_srli_epi32(unit, 6)),
                                     _mm_slli_epi32(last, 8));
    const __m128i three =
        _mm_or_si128(_mm_or_si128(_mm_set1_epi32(0xE0), _mm_srli_epi32(unit, 12)),
                     _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(last, 16)));
    const __m128i wide = _mm_cmpgt_epi32(unit, _mm_set1_epi32(0x7F));  // all ones or none
    const __m128i wider = _mm_cmpgt_epi32(unit, _mm_set1_epi32(0x7FF));
    const __m128i chosen =
        _mm_or_si128(_mm_andnot_si128(wide, unit),
                     _mm_or_si128(_mm_and_si128(_mm_andnot_si128(wider, wide), two),
                                  _mm_and_si128(wider, three)));
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes + 4 * half), chosen);
    _mm_store_si128(reinterpret_cast<__m128i*>(lengths + 4 * half),
                    _mm_sub_epi32(_mm_set1_epi32(1), _mm_add_epi32(wide, wider)));
  }
  char* at = *out;  // a local: a store through *out could change *out itself
  for (int i = 0; i < 8; ++i) {
    StoreLowFirst(at, bytes[i]);
    at += lengths[i];
  }
  *out = at;
  return true;
}
#endif

// Writes the whole units from p up to end as UTF-8 at out; gives the end of what it wrote.
char* DecodeUnits(const unsigned char* p, const unsigned char* end, bool big_endian, char* out) {
  const auto unit_at = [big_endian](const unsigned char* q) -> uint32_t {
    return big_endian ? (q[0] << 8 | q[1]) : (q[1] << 8 | q[0]);
  };
  // A high surrogate, left by the read before or met below, takes the units after it to PutUnit
  // until it is paired or given up.
  for (; p < end && reader.high_surrogate; p += 2) out += PutUnit(unit_at(p), out);
#if defined(__SSE2__)
  while (end - p >= 16 && PutEight(p, big_endian, &out)) p += 16;
#endif
  for (; p < end; p += 2) {
    const uint32_t unit = unit_at(p);
    const bool surrogate = unit - 0xD800 < 0x800;
    out += surrogate || reader.high_surrogate ? PutUnit(unit, out) : PutCharacter(unit, out);
  }
  return out;
}

// Decodes raw from `from` up to `have` into buffer; an odd byte is held for the next read.
// Gives the bytes written.
uint32_t DecodeUtf16(uint32_t from, uint32_t have, bool at_end) {
  const unsigned char* in = reinterpret_cast<const unsigned char*>(reader.raw);
  const uint32_t i = have - (have - from) % 2;  // past the last whole unit
  char* out =
      DecodeUnits(in + from, in + i, reader.encoding.coding == ListCoding::kUtf16Be, reader.buffer);
  reader.held = 0;
  if (i < have) reader.raw[reader.held++] = reader.raw[i];
  // A character the end cut off, an odd byte and a high surrogate alike: one U+FFFD.
  if (at_end && (reader.held || reader.high_surrogate)) {
    reader.held = 0;
    reader.high_surrogate = 0;
    out += EncodeUtf8(kReplacementCode, out);
  }
  return static_cast<uint32_t>(out - reader.buffer);
}

// Whether the entries in the first count bytes of buffer are UTF-8 as they stand. ASCII is,
// unless a code page is forced: checked here once a read rather than entry by entry, since
// most entries are ASCII alone.
bool NeedsNoDecoding(uint32_t count) {
  if (IsUtf16(reader.encoding.coding)) return true;  // decoded as it was read
  if (reader.encoding.coding == ListCoding::kCodePage) return false;
  unsigned char bits = 0;
  for (uint32_t i = 0; i < count; ++i) bits |= static_cast<unsigned char>(reader.buffer[i]);
  return bits < 0x80;
}

// Makes count bytes at the start of buffer the data to come. Nothing from the first byte 26
// on is data: the buffer is cut there, once per read, so that no byte needs testing for it,
// and no further read is made.
bool TakeBuffer(uint32_t count, bool at_end) {
  if (const void* mark = std::memchr(reader.buffer, kEndOfData, count)) {
    count = static_cast<uint32_t>(static_cast<const char*>(mark) - reader.buffer);
    reader.ended = true;
  }
  if (at_end) reader.ended = true;
  reader.count = count;
  reader.position = 0;
  reader.as_is = NeedsNoDecoding(count);
  reader.zero = std::memchr(reader.buffer, 0, count) != nullptr;
  return count != 0;
}

// Makes sure the buffer holds an unread byte; false when the request is to be answered with the
// end signal. A failed read ends only this request, so the next one reads again.
bool FillBuffer() {
  if (reader.position < reader.count) return true;
  while (!reader.ended) {
    uint32_t got = 0;
    // Most lists go straight into the buffer; a UTF-16 list, and the first bytes of any list,
    // have to be looked at first.
    if (!reader.sniffing && !IsUtf16(reader.encoding.coding)) {
      if (!ReadInto(reader.buffer, &got)) return false;
      return TakeBuffer(got, got == 0);
    }
    if (!ReadInto(reader.raw + reader.held, &got)) return false;
    const uint32_t have = reader.held + got;
    uint32_t from = 0;
    if (reader.sniffing) {
      int mark = MarkAtStart(have, got == 0);
      if (mark < 0) {
        reader.held = have;
        continue;
      }
      reader.sniffing = false;
      from = static_cast<uint32_t>(mark);
    }
    uint32_t count;
    if (IsUtf16(reader.encoding.coding)) {
      count = DecodeUtf16(from, have, got == 0);
    } else {
      count = have - from;
      std::memcpy(reader.buffer, reader.raw + from, count);
      reader.held = 0;
    }
    if (TakeBuffer(count, got == 0)) return true;
    // Half a unit, a high surrogate or a mark alone: nothing yet, read on.
  }
  return false;
}

// A zero byte (a zero unit in UTF-16) would end the entry wherever it is handed on as a
// zero-terminated text, and the quote and the after-text with it: it becomes U+FFFD, as a
// sequence that is no character does.
void ReplaceZeros(Text* entry) {
  const char* p = entry->Bytes();
  const char* const end = p + entry->Length();
  const char* zero = static_cast<const char*>(std::memchr(p, 0, end - p));
  if (!zero) return;
  Text replaced;
  for (; zero; zero = static_cast<const char*>(std::memchr(p, 0, end - p))) {
    replaced.Append(p, zero - p);
    replaced.Append(kReplacementCharacter, 3);
    p = zero + 1;
  }
  replaced.Append(p, end - p);
  *entry = replaced;
}

// One byte as 0 to 255, or kEndSignal.
int TakeByte() {
  if (!FillBuffer()) return kEndSignal;
  return static_cast<unsigned char>(reader.buffer[reader.position++]);
}

}  // namespace

void OpenListFile(const Text& path, const ListEncoding& encoding) {
  reader.count = 0;
  reader.position = 0;
  reader.ended = false;
  reader.encoding = encoding;
  // A forced code page has no mark of its own to skip.
  reader.sniffing = encoding.coding != ListCoding::kCodePage;
  reader.held = 0;
  reader.high_surrogate = 0;
  reader.lines_ended = 0;
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
      const unsigned char byte = static_cast<unsigned char>(reader.buffer[reader.position]);
      if (!IsBlank(byte)) return false;
      reader.lines_ended += byte == '\r';
      ++reader.position;
    }
  }
  return true;
}

void ReadLineText(Text* entry) {
  Text& line = *entry;
  line.Clear();
  bool as_is = true, zero = false;
  // Byte by byte this loop would cost several times the reads themselves: take each stretch of
  // the buffer up to a CR whole. The CR is left for SkipLineEnd.
  while (FillBuffer()) {
    as_is = as_is && reader.as_is;
    zero = zero || reader.zero;
    const char* start = reader.buffer + reader.position;
    const uint32_t room = reader.count - reader.position;
    const char* cr = static_cast<const char*>(std::memchr(start, '\r', room));
    const uint32_t taken = cr ? static_cast<uint32_t>(cr - start) : room;
    line.Append(start, taken);
    reader.position += taken;
    if (cr) break;
  }
  // Line ends, Blanks and Ctrl-Z are the same bytes in every encoding read byte by byte, so the
  // entry is converted whole, a character split across reads included.
  if (!as_is) DecodeEntry(&line, reader.encoding);
  if (zero) ReplaceZeros(&line);
}

void SkipLineEnd() {
  // The common case, a CR LF within the buffer, in one step.
  if (reader.count - reader.position >= 2 && reader.buffer[reader.position] == '\r' &&
      reader.buffer[reader.position + 1] == '\n') {
    reader.position += 2;
    ++reader.lines_ended;
    return;
  }
  for (;;) {
    int byte = TakeByte();
    if (byte == kEndSignal) return;
    if (byte == '\r') break;
  }
  ++reader.lines_ended;
  if (!FillBuffer()) return;
  if (reader.buffer[reader.position] == '\n') ++reader.position;
}

unsigned long long ListLineNumber() { return reader.lines_ended + 1; }

bool ListFileIs(const Text& path) {
  return reader.open && platform::IsSameFile(reader.file, ZeroTerminatedOf(path));
}

void CloseListFile() {
  if (!reader.open) return;
  reader.open = false;
  if (!platform::CloseFile(reader.file)) PendingIoError = platform::LastErrorCode();
}

void EndOnIoError() { platform::EndProcess(PendingIoError); }
