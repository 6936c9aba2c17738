// Running part of a test as an unprivileged user: root bypasses file
// permissions, so checks of unreadable or read-only keys hand the hive to the
// user "nobody" and run in a child process that becomes that user.
#pragma once

#include <string>

#include <sys/types.h>

namespace hf::test {

constexpr uid_t kNobody = 65534;

// Gives every file below hiveRoot, and the directories above it up to the
// test's private "hotfolders-hive-*" directory, to kNobody. False when that
// failed.
bool GiveHiveToNobody(const std::string &hiveRoot);

// In a child process: becomes kNobody; false when that failed.
bool BecomeNobody();

}  // namespace hf::test
