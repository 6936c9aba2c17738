// A C++ host of hotFolders: prints the stored ranked list, one line
// "<hits>\t<folder>" per entry, best first, the folder in UTF-8.
#include <hotFolders.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// UTF-8 form of a NUL-terminated UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(const HF_UTF16 *text) {
  std::string out;
  for (std::size_t i = 0; text[i] != 0; ++i) {
    std::uint32_t c = static_cast<std::uint16_t>(text[i]);
    const auto next = static_cast<std::uint16_t>(text[i + 1]);
    if (c >= 0xD800 && c < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

int main() {
  const std::int32_t count = GetPathCount();
  for (std::int32_t index = 0; index < count; ++index) {
    // The needed length cannot be asked: grow the buffer while the path does not fit.
    std::vector<HF_UTF16> buffer(260);
    std::int32_t hits = 0;
    while (GetLogPath(index, buffer.data(), static_cast<std::uint32_t>(buffer.size()), &hits) == 0) {
      if (buffer.size() >= (std::size_t{1} << 20)) {
        std::fprintf(stderr, "list_folders: entry %d cannot be read (the list changed?)\n",
                     static_cast<int>(index));
        return 1;
      }
      buffer.resize(buffer.size() * 2);
    }
    std::printf("%d\t%s\n", static_cast<int>(hits), ToUtf8(buffer.data()).c_str());
  }
  return 0;
}
