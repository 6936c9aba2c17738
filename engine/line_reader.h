// Splits a file into lines through one fixed block buffer, so memory does not
// grow with the size of the file.
#pragma once

#include <cstddef>
#include <memory>

#include "platform.h"

namespace morvex {

class LineReader {
 public:
  // Lines longer than blockSize bytes are dropped whole.
  explicit LineReader(std::size_t blockSize = kDefaultBlockSize) noexcept : blockSize_(blockSize) {}

  // Starts over on file (nullptr: no lines at all). May throw std::bad_alloc
  // when the block buffer is first allocated.
  void Reset(std::unique_ptr<InputFile> file);

  // The next line without its line break (the text stays valid until the next
  // call); false at the end of the file or after a read error.
  [[nodiscard]] bool NextLine(const char **line, std::size_t *size) noexcept;

  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 20;
  static constexpr std::size_t kReadStep = std::size_t{64} << 10;

 private:
  // Reads more bytes behind the unread rest; false when nothing more came.
  bool Refill() noexcept;

  std::size_t blockSize_;
  std::unique_ptr<char[]> buffer_;
  std::unique_ptr<InputFile> file_;
  std::size_t begin_ = 0;  // first unread byte
  std::size_t end_ = 0;    // end of the bytes read
  bool atEnd_ = true;
  bool atStart_ = false;   // a byte-order mark may still come
  bool dropping_ = false;  // inside an over-long line
};

}  // namespace morvex
