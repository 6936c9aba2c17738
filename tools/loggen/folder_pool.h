// The folders the generated records live in, with a skewed popularity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "random.h"

namespace loggen {

class FolderPool {
 public:
  // count distinct folders (distinct also under ASCII case folding), each a
  // Windows path ending with a backslash, in UTF-8.
  explicit FolderPool(std::uint32_t count);

  // A folder index, folder k drawn with a weight of 1/(k+1).
  std::uint32_t Pick(Random &random) const;

  const std::string &Text(std::uint32_t index) const { return texts_[index]; }

  // Whether records spell this folder in several letter cases.
  static bool HasCaseVariants(std::uint32_t index) noexcept { return index % 4 == 1; }

  std::uint32_t Size() const noexcept { return static_cast<std::uint32_t>(texts_.size()); }

 private:
  std::vector<std::string> texts_;
  std::vector<double> cumulative_;
};

}  // namespace loggen
