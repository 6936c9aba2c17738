#include "folder_pool.h"

#include <algorithm>

namespace loggen {
namespace {

const char *const kRoots[] = {
    "C:\\Users\\Ann\\Downloads", "C:\\Users\\Bob\\Documents",    "D:\\Work\\Projects",
    "C:\\Program Files\\Tools",  "E:\\Mail\\Attachments",        "C:\\Temp",
    "D:\\Backup",                "C:\\Users\\Chen\\AppData\\Local\\Temp",
};

// Names beyond ASCII; the last two hold characters outside the Basic
// Multilingual Plane (U+1D11E, U+1F600).
const char *const kWideNames[] = {
    "Donn\xC3\xA9" "es",                        // Données
    "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82\xD1\x8B",  // Проекты
    "\xE8\xB3\x87\xE6\x96\x99",                 // 資料
    "\xC3\x9Cn\xC3\xAF" "code F\xC3\xB6lder",   // Ünïcode Földer
    "Music \xF0\x9D\x84\x9E",                   // Music 𝄞
    "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE \xF0\x9F\x98\x80",  // Фото 😀
};

const char *const kPlainNames[] = {"Setups", "Invoices", "Drivers", "Games", "Scans", "Shared"};

}  // namespace

FolderPool::FolderPool(std::uint32_t count) {
  texts_.reserve(count);
  cumulative_.reserve(count);
  constexpr std::size_t kRootCount = sizeof(kRoots) / sizeof(kRoots[0]);
  double total = 0.0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::string text = kRoots[i % kRootCount];
    text += '\\';
    text += i % 6 == 5 ? kWideNames[(i / 6) % (sizeof(kWideNames) / sizeof(kWideNames[0]))]
                       : kPlainNames[(i / 3) % (sizeof(kPlainNames) / sizeof(kPlainNames[0]))];
    // The index keeps folders distinct whatever the letter case.
    text += ' ';
    text += std::to_string(i);
    text += '\\';
    texts_.push_back(std::move(text));
    total += 1.0 / (static_cast<double>(i) + 1.0);
    cumulative_.push_back(total);
  }
}

std::uint32_t FolderPool::Pick(Random &random) const {
  const double target = random.Unit() * cumulative_.back();
  const auto it = std::upper_bound(cumulative_.begin(), cumulative_.end(), target);
  const auto index = static_cast<std::uint32_t>(it - cumulative_.begin());
  return std::min(index, Size() - 1);
}

}  // namespace loggen
