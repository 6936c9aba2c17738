// The Linux settings hive's one translation of errno values into the
// registry's status codes, shared by every call of the hive.
#pragma once

#include "platform/types.h"

namespace hf::platform {

constexpr Status kErrorDiskFull = 112;  // ERROR_DISK_FULL

// ENOENT is a missing file (2); EACCES, EPERM and EROFS are a refused access
// (5); ENOMEM is 8; ENOSPC, EDQUOT and EFBIG (a full disk, a quota, a file
// size limit) are a full disk (112); anything else is a damaged hive (1009).
[[nodiscard]] Status FromErrno(int error) noexcept;

}  // namespace hf::platform
