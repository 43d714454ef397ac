// The text type and its operations against std::string: any sequence of appends, copies,
// moves (self-moves too) and helper calls over four texts, short ones that live inside the
// object and long ones that do not, and the UTF-8 helpers against a decoder of their own.
// Input: one operation per byte, each followed by the bytes it takes.
#include <algorithm>
#include <cstring>
#include <utility>

#include "fuzz_support.h"
#include "text/helpers.h"
#include "text/text.h"
#include "text/utf8.h"

namespace {

const int kTexts = 4;
const size_t kLongest = 1 << 16;

// A start or count from one byte: -3 to 252, so both edges of the rules come up.
long long Position(InputCursor& input) { return static_cast<long long>(input.Byte()) - 3; }

std::string ModelSub(const std::string& s, long long start, long long count) {
  if (start < 1) start = 1;
  long long length = static_cast<long long>(s.size());
  if (count <= 0 || start > length) return "";
  return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

void CheckSame(const Text& text, const std::string& want, int slot) {
  FUZZ_CHECK(
      text.Length() == want.size() && S(text) == want,
      "text " + std::to_string(slot) + ": want " + Escaped(want) + ", got " + Escaped(S(text)));
  FUZZ_CHECK(text.Bytes()[text.Length()] == 0, "no terminating zero");
  FUZZ_CHECK(ZeroTerminatedOf(text) == text.Bytes());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputCursor input(data, size);
  Text texts[kTexts];
  std::string model[kTexts];
  while (!input.Done()) {
    uint8_t op = input.Byte();
    uint8_t slots = input.Byte();
    const int a = slots & 3, b = (slots >> 2) & 3;
    switch (op % 17) {
      case 0: {
        char c = static_cast<char>(input.Byte());
        texts[a].Append(c);
        model[a] += c;
        break;
      }
      case 1: {
        std::string bytes = input.Bytes(input.Byte() * 2u);
        texts[a].Append(bytes.data(), bytes.size());
        model[a] += bytes;
        break;
      }
      case 2:
        texts[a] = texts[b];
        model[a] = model[b];
        break;
      case 3:
        // A moved-from text only has to stay usable; it is taken as it is.
        texts[a] = std::move(texts[b]);
        if (a != b) {
          model[a] = model[b];
          FUZZ_CHECK(texts[b].Bytes()[texts[b].Length()] == 0);
          model[b] = S(texts[b]);
        }
        break;
      case 4: {
        Text copy(texts[b]);
        CheckSame(copy, model[b], b);
        texts[a] = std::move(copy);
        model[a] = model[b];
        break;
      }
      case 5: {
        Text moved(std::move(texts[b]));
        CheckSame(moved, model[b], b);
        std::string value = model[b];
        model[b] = S(texts[b]);
        model[a] = value;
        texts[a] = std::move(moved);
        break;
      }
      case 6: {
        long long start = Position(input), count = Position(input);
        texts[a] = SubText(texts[b], start, count);
        model[a] = ModelSub(model[b], start, count);
        break;
      }
      case 7: {
        // Any of the texts in any order, each possibly more than once, itself included.
        Text parts[5];
        std::string want;
        uint8_t order = input.Byte(), more = input.Byte();
        int count = more % 6;
        for (int i = 0; i < count; ++i) {
          int k = ((i < 4 ? order >> (2 * i) : more >> 3) & 3);
          parts[i] = texts[k];
          want += model[k];
        }
        if (want.size() > kLongest) break;  // joins of joins grow without bound
        texts[a] = JoinTexts(parts, count);
        model[a] = want;
        break;
      }
      case 8:
        texts[a] = TrimBlanks(texts[b]);
        model[a] = ModelTrim(model[b]);
        break;
      case 9: {
        // All-Blank texts never reach it; for them only a valid text is asked for.
        const bool double_backslashes = slots & 16;
        Text quoted = QuoteEntry(texts[b], double_backslashes);
        model[a] = ModelTrim(model[b]).empty() ? S(quoted) : ModelQuote(model[b], double_backslashes);
        texts[a] = std::move(quoted);
        break;
      }
      case 10:
        FUZZ_CHECK(IsFullPath(texts[b]) == ModelFullPath(model[b]), Escaped(model[b]));
        FUZZ_CHECK(S(EntryPath(texts[b])) == ModelEntryPath(model[b]), Escaped(model[b]));
        texts[a] = DirectoryPart(texts[b]);
        model[a] = ModelDirectory(model[b]);
        break;
      case 11:
        texts[a].Clear();
        model[a].clear();
        break;
      case 12:
        texts[a] = TextFromZeroTerminated(ZeroTerminatedOf(texts[b]));
        model[a] = model[b].substr(0, model[b].find('\0'));
        break;
      case 13: {
        size_t position = static_cast<size_t>(Position(input) + 3) * 4;  // 0 to 1020
        unsigned char want = position >= 1 && position <= model[a].size()
                                 ? static_cast<unsigned char>(model[a][position - 1])
                                 : 0;
        FUZZ_CHECK(texts[a].At(position) == want, "At(" + std::to_string(position) + ")");
        unsigned char c = input.Byte();
        FUZZ_CHECK(UpperAsciiLetter(c) == (c >= 'a' && c <= 'z' ? c - 32 : c));
        break;
      }
      case 14:
        FUZZ_CHECK((texts[a] == texts[b]) == (model[a] == model[b]));
        FUZZ_CHECK((texts[a] != texts[b]) == (model[a] != model[b]));
        break;
      case 15: {
        // Any bytes; the repaired text is kept, so that later steps meet valid UTF-8 too.
        const std::string s = model[b];
        const char* bytes = texts[b].Bytes();
        const bool valid = ModelValidUtf8(s);
        FUZZ_CHECK(IsValidUtf8(bytes, s.size()) == valid, Escaped(s));
        if (!s.empty()) {
          const size_t at = input.Byte() % s.size();
          const size_t available = std::min<size_t>(input.Byte() % 5 + 1, s.size() - at);
          bool step_valid;
          const size_t length = Utf8Step(bytes + at, available, &step_valid);
          const ModelCharacter want = ModelUtf8Step(s, at, available);
          FUZZ_CHECK(length == want.length && step_valid == want.valid,
                     Escaped(s.substr(at, available)) + ": " + std::to_string(length));
        }
        // A cut is only asked of UTF-8 text: the last character boundary within room.
        const size_t room = input.Byte() * 4u;
        size_t boundary = 0;
        while (boundary < s.size()) {
          const size_t next = boundary + ModelUtf8Step(s, boundary, s.size() - boundary).length;
          if (next > room) break;
          boundary = next;
        }
        const size_t cut = Utf8Cut(bytes, s.size(), room);
        FUZZ_CHECK(valid ? cut == boundary : cut <= std::min(room, s.size()),
                   Escaped(s) + " in " + std::to_string(room) + ": " + std::to_string(cut));
        texts[a] = RepairedUtf8(texts[b]);
        model[a] = ModelRepaired(s);
        break;
      }
      default: {
        uint32_t code = 0;
        for (int i = 0; i < 3; ++i) code = code << 8 | input.Byte();
        code %= 0x110000;
        if (code >= 0xD800 && code <= 0xDFFF) break;  // no character
        char out[8];
        std::memset(out, '#', sizeof out);
        const size_t length = EncodeUtf8(code, out);
        const std::string want = ModelUtf8(code);
        FUZZ_CHECK(length == want.size() &&
                       std::string(out, sizeof out) == want + std::string(sizeof out - length, '#'),
                   std::to_string(code) + ": " + Escaped(std::string(out, sizeof out)));
        break;
      }
    }
    for (int i = 0; i < kTexts; ++i) CheckSame(texts[i], model[i], i);
  }
  return 0;
}
