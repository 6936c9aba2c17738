// Block-buffered line splitting with carry-over of a partial last line.
#include "line_reader.h"

#include <cstring>
#include <utility>

#include "line_fields.h"

namespace morvex {

void LineReader::Reset(std::unique_ptr<InputFile> file) {
  // The slack after the block keeps the wide reads of SplitFields inside the
  // buffer; it is zeroed once and never read as text.
  if (file != nullptr && buffer_ == nullptr) buffer_ = std::make_unique<char[]>(blockSize_ + kFieldReadSlack);
  file_ = std::move(file);
  begin_ = end_ = 0;
  atEnd_ = file_ == nullptr;
  atStart_ = true;
  dropping_ = false;
}

bool LineReader::Refill() noexcept {
  if (atEnd_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == blockSize_) {
    // The block holds one unfinished line: drop it and skip to its end.
    dropping_ = true;
    end_ = 0;
  }
  // At most kReadStep bytes at a time: the unread rest was moved to the front,
  // so the bytes being split stay within the first kReadStep (plus one line)
  // of the block, which the caches keep, instead of streaming the whole block
  // through them; the block's full size is there for long lines.
  const std::size_t room = blockSize_ - end_;
  const std::int64_t got = file_->Read(buffer_.get() + end_, room < kReadStep ? room : kReadStep);
  if (got <= 0) {
    atEnd_ = true;
    file_.reset();
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  if (atStart_ && end_ >= 3) {
    atStart_ = false;
    if (std::memcmp(buffer_.get(), "\xEF\xBB\xBF", 3) == 0) begin_ = 3;
  }
  return true;
}

bool LineReader::NextLine(const char **line, std::size_t *size) noexcept {
  for (;;) {
    char *const base = buffer_.get();
    if (begin_ < end_) {
      const auto *newline = static_cast<const char *>(std::memchr(base + begin_, '\n', end_ - begin_));
      if (newline != nullptr) {
        const std::size_t at = static_cast<std::size_t>(newline - base);
        *line = base + begin_;
        *size = at - begin_;
        begin_ = at + 1;
        atStart_ = false;
        if (dropping_) {
          dropping_ = false;
          continue;
        }
        return true;
      }
    }
    if (Refill()) continue;
    // End of the file: a last line without a line break still counts.
    if (begin_ < end_) {
      *line = base + begin_;
      *size = end_ - begin_;
      begin_ = end_;
      if (dropping_) {
        dropping_ = false;
        return false;
      }
      return true;
    }
    return false;
  }
}

}  // namespace morvex
