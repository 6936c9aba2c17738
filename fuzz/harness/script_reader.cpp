#include "script_reader.h"

namespace hf::fuzz {
namespace {

constexpr HRESULT kOtherResults[] = {kS_FALSE, kE_FAIL, kE_OUTOFMEMORY, -1};

const char16_t *const kPieces[] = {
    u"C:", u"\\", u"\\", u"\\", u"->", u"Data", u"data", u"TEMP", u"temp", u"a.exe", u"x.zip",
    u"D:", u"\\\\srv\\share", u"-", u">", u"\xD800", u"\xDC00", u"\xD83D\xDE00", u"\xE9t\xE9", u" ", u"",
};

}  // namespace

Timestamp ReadToday(InputReader &input) {
  Timestamp today{};
  today.year = static_cast<std::uint16_t>(1980 + input.Below(128));
  today.month = static_cast<std::uint16_t>(1 + input.Below(12));
  static const std::uint8_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = today.year % 4 == 0 && (today.year % 100 != 0 || today.year % 400 == 0);
  const std::uint32_t days = kDays[today.month - 1] + (today.month == 2 && leap ? 1 : 0);
  today.day = static_cast<std::uint16_t>(1 + input.Below(days));
  today.dayOfWeek = static_cast<std::uint16_t>(input.Below(7));
  today.hour = static_cast<std::uint16_t>(input.Below(24));
  today.minute = static_cast<std::uint16_t>(input.Below(60));
  today.second = static_cast<std::uint16_t>(input.Below(30) * 2);
  return today;
}

std::u16string ReadPath(InputReader &input) {
  const std::uint8_t shape = input.Byte();
  if ((shape & 3) == 0) return input.Text(64);
  std::u16string path;
  const std::size_t pieces = shape >> 2;
  for (std::size_t i = 0; i < pieces && !input.Empty(); ++i)
    path += kPieces[input.Byte() % (sizeof kPieces / sizeof kPieces[0])];
  return path;
}

ScriptedStep ReadStep(InputReader &input, const Timestamp &today) {
  ScriptedStep step;
  const std::uint8_t how = input.Byte();
  // Mostly a delivered record; sometimes an end, a failure or an empty success.
  if ((how & 0x0F) == 0x0F) step.nextResult = kOtherResults[(how >> 4) & 3];
  step.storesRecord = (how & 0x0F) != 0x0E;
  step.pathIsNull = (how & 0x30) == 0x30 && (how & 0x0F) == 0x0D;
  step.secondIsNull = (how & 0x40) != 0;
  step.gettersWrite = (how & 0x0F) != 0x0C;
  step.path = ToNative(ReadPath(input));
  if (input.Flag()) step.secondText = ToNative(input.Text(16));
  step.number = static_cast<std::int32_t>(input.U32());
  const std::uint8_t date = input.Byte();
  if ((date & 3) == 3) {
    step.time.year = input.U16();
    step.time.month = input.U16();
    step.time.dayOfWeek = input.U16();
    step.time.day = input.U16();
    step.time.hour = input.U16();
    step.time.minute = input.U16();
    step.time.second = input.U16();
    step.time.milliseconds = input.U16();
  } else {
    // Near today: this month, last month or last year, on any day 0..31.
    step.time.year = static_cast<std::uint16_t>(today.year - ((date & 3) == 2 ? 1 : 0));
    const bool lastMonth = (date & 3) == 1;
    step.time.month = lastMonth ? static_cast<std::uint16_t>(today.month == 1 ? 12 : today.month - 1) : today.month;
    step.time.day = static_cast<std::uint16_t>((date >> 2) % 32);
    step.time.hour = static_cast<std::uint16_t>(date % 24);
  }
  return step;
}

EngineScript ReadScript(InputReader &input, const Timestamp &today, std::size_t maxSteps) {
  EngineScript script;
  const std::uint8_t how = input.Byte();
  switch (how & 7) {
    case 4: script.route = EngineRoute::kLibrary; break;
    case 5: script.route = EngineRoute::kLibraryBySearch; break;
    case 6: script.route = EngineRoute::kNothing; break;
    default: script.route = EngineRoute::kComServer; break;
  }
  script.factory = static_cast<FactoryMode>(((how >> 3) & 7) % 6);
  script.firstLogOpens = (how & 0x40) == 0;
  script.secondLogOpens = (how & 0x80) == 0;
  if (script.route == EngineRoute::kLibrary || script.route == EngineRoute::kLibraryBySearch) {
    // Up to 400 characters, so that paths beyond the 260-byte buffers occur.
    const std::size_t length = input.Below(400);
    for (std::size_t i = 0; i < length && !input.Empty(); ++i) script.hostPath.push_back(static_cast<char>(input.Byte()));
  }
  const std::size_t first = input.Below(static_cast<std::uint32_t>(maxSteps + 1));
  for (std::size_t i = 0; i < first && !input.Empty(); ++i) script.firstLog.push_back(ReadStep(input, today));
  const std::size_t second = input.Below(static_cast<std::uint32_t>(maxSteps + 1));
  for (std::size_t i = 0; i < second && !input.Empty(); ++i) script.secondLog.push_back(ReadStep(input, today));
  return script;
}

NativeText ToNative(std::u16string_view text) {
  NativeText out;
  out.reserve(text.size());
  for (char16_t unit : text) out.push_back(static_cast<NativeChar16>(unit));
  return out;
}

std::u16string FromNative(const NativeText &text) {
  std::u16string out;
  out.reserve(text.size());
  for (NativeChar16 unit : text) out.push_back(static_cast<char16_t>(unit));
  return out;
}

std::u16string_view FolderOfPath(std::u16string_view path) noexcept {
  const std::size_t arrow = path.find(u"->");
  if (arrow != std::u16string_view::npos) path = path.substr(0, arrow);
  const std::size_t slash = path.rfind(u'\\');
  return slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1);
}

bool EqualFoldingAscii(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace hf::fuzz
