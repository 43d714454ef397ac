// Throughput of the list reader against the limit it cannot beat: a bare loop of the same
// 128-byte reads on the same file, doing nothing with the bytes. Each runs on lists of short,
// middling and long lines, since the reader pays per entry as well as per byte, and in the
// three encodings that lists come in: ANSI (here plain ASCII); UTF-8 without a mark, the form
// Notepad, PowerShell 7 and every Linux tool write (a mark changes only the first read: either
// way each entry is checked and kept); and UTF-16LE with a mark and CR LF, as Windows
// PowerShell 5.1 writes it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>
#include <utility>

#include "read_entries.h"

namespace {

enum ListKind { kAnsi, kUtf8, kUtf16Le };

std::string folder;
size_t list_size = 64 << 20;
std::map<std::pair<ListKind, int>, std::string> lists;  // by kind and line length

// A character of the Basic Multilingual Plane in the list's encoding.
void Put(ListKind kind, char32_t code, std::string* out) {
  if (kind == kUtf16Le) {
    out->push_back(static_cast<char>(code & 0xFF));
    out->push_back(static_cast<char>(code >> 8));
  } else if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | code >> 6));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | code >> 12));
    out->push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void Put(ListKind kind, const std::u32string& text, std::string* out) {
  for (char32_t code : text) Put(kind, code, out);
}

// Lines shaped like real lists: a path padded to the line length in characters (CR LF
// included), now and then leading blanks or a blank line, so that all of the reader's paths are
// taken. The Unicode lists hold the same entries in their own bytes: the folder is named in
// Cyrillic and the padding takes accented Latin letters and a CJK character, so that more than
// half of the bytes of a UTF-8 line are outside ASCII.
const std::string& ListOf(ListKind kind, int line_length) {
  std::string& path = lists[{kind, line_length}];
  if (!path.empty()) return path;
  static const char* const kNames[] = {"ansi", "utf8", "utf16le"};
  path = folder + "/list-" + kNames[kind] + "-" + std::to_string(line_length) + ".txt";
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    perror(path.c_str());
    exit(1);
  }
  const std::u32string folder_name = kind == kAnsi ? U"/pictures/" : U"/фото/";
  const std::u32string padding = kind == kAnsi ? U"x" : U"éü日ж";
  std::string line = kind == kUtf16Le ? "\xFF\xFE" : "";
  for (size_t written = 0, number = 0; written < list_size; written += line.size(), ++number) {
    std::u32string text = number % 16 == 0 ? U"  " : U"";
    text += folder_name;
    for (char digit : std::to_string(number)) text += static_cast<char32_t>(digit);
    for (size_t next = 0; text.size() + 6 < static_cast<size_t>(line_length); ++next)
      text += padding[next % padding.size()];
    text += U".jpg\r\n";
    if (number % 50 == 0) text += U"\r\n";
    if (number > 0) line.clear();  // the first line keeps the mark
    Put(kind, text, &line);
    fwrite(line.data(), 1, line.size(), file);
  }
  fclose(file);
  return path;
}

void BareReads(benchmark::State& state, ListKind kind) {
  const std::string& path = ListOf(kind, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char buffer[kListReadRoom];
    ssize_t got;
    size_t total = 0;
    while ((got = read(file, buffer, sizeof buffer)) > 0) total += got;
    close(file);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * list_size));
}

// The list run's own calling order, minus the starts.
void ListReader(benchmark::State& state, ListKind kind) {
  const std::string& list = ListOf(kind, static_cast<int>(state.range(0)));
  const Text path(list.data(), list.size());
  size_t entries = 0;
  for (auto _ : state) {
    entries = 0;
    ReadEntries(path, [&](const Text& entry) {
      benchmark::DoNotOptimize(entry.Bytes());
      ++entries;
    });
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * list_size));
  state.counters["entries"] = static_cast<double>(entries);
}

}  // namespace

// Each list's bare reads run right before its reader, so that both meet the machine alike.
#define LIST_BENCHMARKS(name, kind)                                                         \
  BENCHMARK_CAPTURE(BareReads, name, kind)->ArgName("line")->Arg(24)->Arg(48)->Arg(96)->Unit( \
      benchmark::kMillisecond);                                                             \
  BENCHMARK_CAPTURE(ListReader, name, kind)->ArgName("line")->Arg(24)->Arg(48)->Arg(96)->Unit( \
      benchmark::kMillisecond)
LIST_BENCHMARKS(ansi, kAnsi);
LIST_BENCHMARKS(utf8, kUtf8);
LIST_BENCHMARKS(utf16le, kUtf16Le);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  char temporary[] = "/tmp/corvane-bench-XXXXXX";
  if (!mkdtemp(temporary)) {
    perror("mkdtemp");
    return 1;
  }
  folder = temporary;
  if (const char* megabytes = getenv("CORVANE_BENCH_LIST_MB")) list_size = atol(megabytes) << 20;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& list : lists) unlink(list.second.c_str());
  rmdir(temporary);
}
