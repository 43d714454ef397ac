// The text type and its operations against std::string: any sequence of appends, copies,
// moves (self-moves too) and helper calls over four texts, short ones that live inside the
// object and long ones that do not. Input: one operation per byte, each followed by the bytes
// it takes.
#include <utility>

#include "fuzz_support.h"
#include "text/helpers.h"
#include "text/text.h"

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
    switch (op % 15) {
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
        Text quoted = QuoteEntry(texts[b]);
        model[a] = ModelTrim(model[b]).empty() ? S(quoted) : ModelQuote(model[b]);
        texts[a] = std::move(quoted);
        break;
      }
      case 10:
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
      default:
        FUZZ_CHECK((texts[a] == texts[b]) == (model[a] == model[b]));
        FUZZ_CHECK((texts[a] != texts[b]) == (model[a] != model[b]));
        break;
    }
    for (int i = 0; i < kTexts; ++i) CheckSame(texts[i], model[i], i);
  }
  return 0;
}
