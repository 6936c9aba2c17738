#include "support/posix/unprivileged.h"

#include <filesystem>

#include <unistd.h>

namespace hf::test {

namespace fs = std::filesystem;

bool GiveHiveToNobody(const std::string &hiveRoot) {
  for (const auto &entry : fs::recursive_directory_iterator(hiveRoot))
    if (::lchown(entry.path().c_str(), kNobody, kNobody) != 0) return false;
  // The temporary directories above the hive must be reachable too.
  for (fs::path p = hiveRoot; p.has_parent_path() && p != p.parent_path(); p = p.parent_path()) {
    if (::chown(p.c_str(), kNobody, kNobody) != 0) return false;
    if (p.filename().string().rfind("hotfolders-hive-", 0) == 0) break;
  }
  return true;
}

bool BecomeNobody() { return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0; }

}  // namespace hf::test
