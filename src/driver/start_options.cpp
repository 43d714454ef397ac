#include "driver/start_options.h"

#include <cstring>

#include "driver/run.h"
#include "driver/settings.h"
#include "platform/platform.h"
#include "text/helpers.h"
#include "text/utf8.h"

namespace {

const uint32_t kMostCharacters = 32767;

// Digits only, however many, for a number no greater than most.
bool NumberUpTo(const Text& digits, uint32_t most, uint32_t* number) {
  if (digits.Empty()) return false;
  *number = 0;
  for (size_t i = 1; i <= digits.Length(); ++i) {
    if (digits.At(i) < '0' || digits.At(i) > '9') return false;
    *number = *number * 10 + (digits.At(i) - '0');
    if (*number > most) return false;
  }
  return true;
}

const char kSecondsWhy[] = "is no number of seconds from 0 to 1000000 with at most three decimals";

// A value of one part, or of two with a comma between: false for more commas than one.
bool OneOrTwo(const Text& value, Text* first, Text* second, bool* two) {
  size_t comma = 1;
  while (comma <= value.Length() && value.At(comma) != ',') ++comma;
  *two = comma <= value.Length();
  *first = SubText(value, 1, static_cast<long long>(comma - 1));
  *second = SubText(value, static_cast<long long>(comma + 1), static_cast<long long>(value.Length()));
  for (size_t i = 1; i <= second->Length(); ++i)
    if (second->At(i) == ',') return false;
  return true;
}

}  // namespace

void RefuseValue(char letter, const Text& value, const char* why) {
  const char option[] = {'/', letter, ':', 0};
  RefuseOption(ZeroTerminatedOf(JoinTexts({Text(option, 3), value})), why);
}

void RefuseOption(const char* option, const char* why) {
  if (!Quiet) ShowUsageBox();
  const char* parts[] = {"corvane: ", option, " ", why};
  Text line;
  for (const char* part : parts) line.Append(part, std::strlen(part));
  platform::WriteDiagnostic(ZeroTerminatedOf(line));
  platform::EndProcess(platform::kInvalidParameter);
}

bool Expanded(const Text& text, Text* expanded) {
  // No name to expand: the text as it is, at no cost.
  if (!std::memchr(text.Bytes(), '%', text.Length())) {
    *expanded = text;
    return true;
  }
  bool expandable = true;
  *expanded = FilledText(text.Length() + 64, [&](char* out, size_t room) {
    size_t needed = 0;
    expandable = platform::ExpandVariables(ZeroTerminatedOf(text), out, room, &needed) && expandable;
    return needed;
  });
  return expandable && Utf16Length(expanded->Bytes(), expanded->Length()) <= kMostCharacters;
}

void ExpandOptionValues() {
  static const struct {
    char letter;
    Text* value;
  } kValues[] = {{'X', &ExeFile},           {'B', &BParams},       {'E', &EParams},
                 {'D', &StartFolder.value}, {'L', &FileList},      {'O', &LogFile.value}};
  Text expanded;
  for (const auto& option : kValues) {
    if (!Expanded(*option.value, &expanded))
      RefuseValue(option.letter, *option.value, "grows past 32767 characters");
    *option.value = expanded;
  }
}

bool MillisecondsOf(const Text& seconds, uint32_t* milliseconds, uint32_t most_seconds) {
  const auto digit = [&seconds](size_t i) { return seconds.At(i) >= '0' && seconds.At(i) <= '9'; };
  const size_t length = seconds.Length();
  unsigned long long total = 0;
  size_t i = 1;
  for (; i <= length && digit(i); ++i) {
    total = total * 10 + (seconds.At(i) - '0');
    if (total > most_seconds) return false;
  }
  if (i == 1) return false;
  total *= 1000;
  if (i <= length) {
    if (seconds.At(i++) != '.') return false;
    const size_t first = i;
    for (unsigned scale = 100; i <= length && i < first + 3 && digit(i); ++i, scale /= 10)
      total += (seconds.At(i) - '0') * scale;
    if (i == first || i <= length) return false;  // one to three digits, and nothing after
  }
  if (total > 1000ull * most_seconds) return false;
  *milliseconds = static_cast<uint32_t>(total);
  return true;
}

bool ShowStateOf(const Text& state, int32_t* show) {
  static const struct {
    const char* name;
    int32_t show;
  } kNames[] = {{"NORMAL", platform::kShowNormal},
                {"MIN", platform::kShowMinNoActive},
                {"MAX", platform::kShowMaximized},
                {"HIDDEN", platform::kShowHide}};
  for (const auto& name : kNames) {
    if (!SameInAnyCase(state, name.name)) continue;
    *show = name.show;
    return true;
  }
  uint32_t number = 0;
  if (!NumberUpTo(state, static_cast<uint32_t>(platform::kShowLast), &number)) return false;
  *show = static_cast<int32_t>(number);
  return true;
}

ListEncoding CheckedEncoding() {
  ListEncoding encoding;
  if (!ListEncodingNamed(Encoding, &encoding))
    RefuseValue('C', Encoding, "names no list encoding that this system can read");
  return encoding;
}

StartSettings CheckedStartSettings() {
  StartSettings settings;
  settings.wait = Wait;
  settings.quiet = Quiet;
  if (WaitBound.given && !MillisecondsOf(WaitBound.value, &settings.wait_bound_ms))
    RefuseValue('T', WaitBound.value, kSecondsWhy);
  if (ShowState.given && !ShowStateOf(ShowState.value, &settings.show))
    RefuseValue('S', ShowState.value, "is no window state: normal, min, max, hidden or 0 to 11");
  if (Verb.given && !platform::VerbKnown(ZeroTerminatedOf(Verb.value)))
    RefuseValue('V', Verb.value, "names no verb that this system can carry out");
  if (LogFile.given && LogFile.value.Empty()) RefuseValue('O', LogFile.value, "names no file");
  settings.verb = Verb.value;
  settings.report_verb_and_folder = Verb.given || StartFolder.given;
  return settings;
}

RunPlan CheckedRunPlan() {
  RunPlan plan;
  Text first, second;
  bool two = false;
  if (PauseTime.given && !(OneOrTwo(PauseTime.value, &first, &second, &two) &&
                           MillisecondsOf(first, &plan.pause_ms) &&
                           (!two || MillisecondsOf(second, &plan.first_pause_ms))))
    RefuseValue('P', PauseTime.value,
                "is no number of seconds from 0 to 1000000 with at most three decimals, nor two "
                "such numbers with a comma between");
  if (StartFolder.given && !StartFolder.bare && StartFolder.value.Empty())
    RefuseValue('D', StartFolder.value, "names no folder");
  if (Retries.given && !(OneOrTwo(Retries.value, &first, &second, &two) &&
                         NumberUpTo(first, 100, &plan.retries) &&
                         (!two || MillisecondsOf(second, &plan.retry_pause_ms, 3600))))
    RefuseValue('R', Retries.value,
                "is no count of tries from 0 to 100, with the seconds between them from 0 to "
                "3600 after a comma");
  if (SkipRunning && (!ExeFile.Empty() || !BParams.Empty() || !EParams.Empty()))
    RefuseOption("/A", "cannot go with /X, /B or /E, whose entries are a program's arguments");
  return plan;
}
