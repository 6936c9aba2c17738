// The library's own copy of one engine record.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace hf {

struct LogRecord {
  WideString objectPath;
  WideString secondText;
  Timestamp timestamp{};
  std::int32_t number = 0;
};

}  // namespace hf
