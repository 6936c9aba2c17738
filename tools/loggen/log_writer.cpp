// Record formatting by hand into one large buffer, written with fwrite: the
// generator must keep pace with a reader of millions of records per second.
#include "log_writer.h"

#include <cstring>
#include <memory>

#include "random.h"

namespace loggen {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::size_t kMaxRecordSize = 4096;
constexpr std::int64_t kMillisPerDay = 86400000;

const char *const kFileNames[] = {
    "setup.exe", "invoice.pdf.exe", "readme.txt", "update.msi", "photo.jpg", "library.dll",
    "report.docm", "tool.com", "script.js", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.exe",  // Привет.exe
};
const char *const kArchives[] = {"bundle.zip", "x.rar", "backup.7z", "mail.cab"};
const char *const kInner[] = {"in.zip", "docs\\a.exe", "payload.exe", "Setup\\run.bat"};
const char *const kKinds[] = {"Kind.Alpha", "Kind.Beta", "Kind.Gamma", "Kind.\xC3\x84rger", "Kind.Delta"};

template <std::size_t N>
const char *PickFrom(const char *const (&list)[N], Random &random) {
  return list[random.Below(N)];
}

class Output {
 public:
  explicit Output(std::FILE *file) : file_(file), buffer_(std::make_unique<char[]>(kBufferSize)) {}

  // Room for one more record; flushes first when needed.
  char *Room() {
    if (kBufferSize - used_ < kMaxRecordSize) Flush();
    return buffer_.get() + used_;
  }
  void Commit(const char *end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

  bool Flush() {
    if (used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) ok_ = false;
    used_ = 0;
    return ok_;
  }

 private:
  std::FILE *file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  bool ok_ = true;
};

char *PutDigits(char *at, unsigned value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    at[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  return at + width;
}

char *PutNumber(char *at, std::uint32_t value) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *at++ = digits[--n];
  return at;
}

char *PutText(char *at, const char *text) {
  const std::size_t size = std::strlen(text);
  std::memcpy(at, text, size);
  return at + size;
}

// Copies the folder, with its ASCII letters changed to one of three spellings.
char *PutFolder(char *at, const std::string &folder, std::uint64_t spelling) {
  for (char c : folder) {
    if (spelling == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (spelling == 2 && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    *at++ = c;
  }
  return at;
}

}  // namespace

bool WriteLog(std::FILE *out, const Options &options, const FolderPool &folders, std::uint64_t seed,
              ExpectedTally *tally) {
  Random random(seed);
  Output output(out);
  {
    char *at = output.Room();
    at = PutText(at, "# history log written by hotfolders-loggen\n");
    output.Commit(at);
  }
  const std::int64_t firstDay = DaysFromCivil(options.today) - (options.days - 1);
  const std::int64_t span = static_cast<std::int64_t>(options.days) * kMillisPerDay;
  const double step = options.records > 0 ? static_cast<double>(span) / static_cast<double>(options.records) : 0.0;
  std::int64_t cachedDay = -1;
  CivilDate date;
  for (std::uint64_t i = 0; i < options.records; ++i) {
    std::int64_t millis = static_cast<std::int64_t>(static_cast<double>(i) * step);
    if (step >= 2.0) millis += static_cast<std::int64_t>(random.Below(static_cast<std::uint64_t>(step)));
    if (millis >= span) millis = span - 1;
    const std::int64_t day = firstDay + millis / kMillisPerDay;
    if (day != cachedDay) {
      cachedDay = day;
      date = CivilFromDays(day);
    }
    auto ofDay = static_cast<unsigned>(millis % kMillisPerDay);

    char *at = output.Room();
    at = PutDigits(at, static_cast<unsigned>(date.year), 4);
    *at++ = '-';
    at = PutDigits(at, static_cast<unsigned>(date.month), 2);
    *at++ = '-';
    at = PutDigits(at, static_cast<unsigned>(date.day), 2);
    *at++ = ' ';
    at = PutDigits(at, ofDay / 3600000, 2);
    *at++ = ':';
    at = PutDigits(at, ofDay / 60000 % 60, 2);
    *at++ = ':';
    at = PutDigits(at, ofDay / 1000 % 60, 2);
    *at++ = '.';
    at = PutDigits(at, ofDay % 1000, 3);
    *at++ = '\t';
    at = PutNumber(at, static_cast<std::uint32_t>(random.Below(1000000)));
    *at++ = '\t';

    const std::uint32_t folder = folders.Pick(random);
    const std::uint64_t spelling = FolderPool::HasCaseVariants(folder) ? random.Below(3) : 0;
    char *const folderStart = at;
    at = PutFolder(at, folders.Text(folder), spelling);
    if (tally != nullptr && tally->InWindow(date))
      tally->Count(folder, folderStart, static_cast<std::size_t>(at - folderStart));
    if (random.Unit() < options.archiveShare) {
      at = PutText(at, PickFrom(kArchives, random));
      at = PutText(at, "->");
      at = PutText(at, PickFrom(kInner, random));
      if (random.Below(3) == 0) at = PutText(at, "->b.com");
    } else {
      at = PutText(at, PickFrom(kFileNames, random));
    }
    *at++ = '\t';
    at = PutText(at, PickFrom(kKinds, random));
    *at++ = '\n';
    output.Commit(at);
  }
  return output.Flush();
}

}  // namespace loggen
