// The fuzz checks: each runs one input through the library and returns
// nullptr when every invariant held, else a short description of the first
// one that broke. The libFuzzer targets and the regression tests share them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hf::fuzz {

// The input is a list text (little-endian UTF-16): the count conversion, the
// list parse, the format round trip and the reading of a value holding it.
const char *CheckListParse(const std::uint8_t *data, std::size_t size);

// The input scripts a settings key (values of any type, size and bytes,
// failing queries) and a log engine, then a run of exported calls.
const char *CheckExportedCalls(const std::uint8_t *data, std::size_t size);

// The input scripts a log engine, its route and its records, today's date and
// the excluded folders; the records are read, judged and tallied.
const char *CheckRecordTally(const std::uint8_t *data, std::size_t size);

}  // namespace hf::fuzz
