// Interface identifiers of the engine's own cursor and record interfaces.
#pragma once

#include "platform/types.h"

namespace morvex {

// {5D2A8C42-7B3E-4F19-9A60-1C4E8B2D7F05}
constexpr hf::Guid kIidLogCursor = {0x5D2A8C42, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};
// {5D2A8C43-7B3E-4F19-9A60-1C4E8B2D7F05}
constexpr hf::Guid kIidLogRecord = {0x5D2A8C43, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};

}  // namespace morvex
