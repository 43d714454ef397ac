// Throughput of the list reader against the limit it cannot beat: a bare loop of the same
// 128-byte reads on the same file, doing nothing with the bytes. Each runs on lists of short,
// middling and long lines, since the reader pays per entry as well as per byte.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <map>
#include <string>

#include "read_entries.h"

namespace {

std::string folder;
size_t list_size = 64 << 20;
std::map<int, std::string> lists;  // by line length

// Lines shaped like real lists: a path padded to the line length (CR LF included), now and then
// leading blanks or a blank line, so that all of the reader's paths are taken.
const std::string& ListOfLines(int line_length) {
  std::string& path = lists[line_length];
  if (!path.empty()) return path;
  path = folder + "/list-" + std::to_string(line_length) + ".txt";
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    perror(path.c_str());
    exit(1);
  }
  std::string line;
  for (size_t written = 0, number = 0; written < list_size; written += line.size(), ++number) {
    line = number % 16 == 0 ? "  " : "";
    line += "/pictures/" + std::to_string(number);
    if (line.size() + 6 < static_cast<size_t>(line_length))
      line.append(line_length - 6 - line.size(), 'x');
    line += ".jpg\r\n";
    if (number % 50 == 0) line += "\r\n";
    fwrite(line.data(), 1, line.size(), file);
  }
  fclose(file);
  return path;
}

void BareReads(benchmark::State& state) {
  const std::string& path = ListOfLines(static_cast<int>(state.range(0)));
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
void ListReader(benchmark::State& state) {
  const std::string& list = ListOfLines(static_cast<int>(state.range(0)));
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

BENCHMARK(BareReads)->ArgName("line")->Arg(24)->Arg(48)->Arg(96)->Unit(benchmark::kMillisecond);
BENCHMARK(ListReader)->ArgName("line")->Arg(24)->Arg(48)->Arg(96)->Unit(benchmark::kMillisecond);

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
