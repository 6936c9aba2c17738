// The COM-style types of the log engine's binary interface, laid out as on
// Windows on both platforms. Shared by the library, the reference engine and
// the test engines; nothing here belongs to either side alone.
#pragma once

#include <cstdint>

namespace hf {

// The platform's own 16-bit text unit, as the exported functions and the
// engine's interfaces pass it.
#ifdef _WIN32
using NativeChar16 = wchar_t;
#else
using NativeChar16 = char16_t;
#endif
static_assert(sizeof(NativeChar16) == 2, "UTF-16 code units are 16 bits");

using HRESULT = std::int32_t;

constexpr HRESULT kS_OK = 0;
constexpr HRESULT kS_FALSE = 1;
constexpr HRESULT kE_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kE_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT kE_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT kE_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT kCLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT kREGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);

// Layout of a COM GUID.
struct Guid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

inline bool operator==(const Guid &a, const Guid &b) noexcept {
  if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.data4[i] != b.data4[i]) return false;
  return true;
}

// A calendar time in the SYSTEMTIME layout: eight 16-bit fields, 16 bytes.
struct Timestamp {
  std::uint16_t year;
  std::uint16_t month;
  std::uint16_t dayOfWeek;
  std::uint16_t day;
  std::uint16_t hour;
  std::uint16_t minute;
  std::uint16_t second;
  std::uint16_t milliseconds;
};
static_assert(sizeof(Timestamp) == 16, "Timestamp must keep the SYSTEMTIME layout");

}  // namespace hf
