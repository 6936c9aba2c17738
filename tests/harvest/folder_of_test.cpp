// The folder of an object path, plain and NUL-terminated.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "harvest/folder_of.h"

namespace hf::test {
namespace {

struct FolderCase {
  std::u16string path;
  std::u16string folder;
};

TEST(FolderOfTest, CutsAfterTheLastBackslashBeforeTheFirstArchiveMark) {
  const std::vector<FolderCase> cases = {
      {u"C:\\Users\\Ann\\Downloads\\setup.exe", u"C:\\Users\\Ann\\Downloads\\"},
      {u"D:\\Mail\\store.zip->docs\\a.exe", u"D:\\Mail\\"},
      {u"E:\\x.rar->in.zip->b.com", u"E:\\"},
      {u"readme.txt", u""},
      {u"->C:\\a\\b.exe", u""},
      {u"", u""},
      {u"C:\\dir\\", u"C:\\dir\\"},
      {u"\\", u"\\"},
      {u"C:\\a-b\\c->d", u"C:\\a-b\\"},
      {u"C:\\a\\b-", u"C:\\a\\"},
      {u"archive.zip->C:\\inner\\x", u""},
  };
  for (const FolderCase &c : cases) EXPECT_EQ(FolderOf(c.path), c.folder) << "path index " << (&c - cases.data());
}

// The folder by its definition, one unit at a time.
std::u16string FolderByDefinition(const std::u16string &path) {
  const std::size_t mark = path.find(u"->");
  const std::u16string outer = path.substr(0, mark);
  const std::size_t slash = outer.rfind(u'\\');
  return slash == std::u16string::npos ? std::u16string() : outer.substr(0, slash + 1);
}

// A path of least to least + 40 units built from the units that matter, so
// that marks and backslashes fall on every position of the wide steps; state
// is the generator's, advanced.
std::u16string RandomPath(std::uint32_t &state, std::size_t least = 0) {
  const char16_t alphabet[] = {u'a', u'\\', u'-', u'>', u'\u00E9', u'\u3E2D'};
  state = state * 1103515245u + 12345u;
  const std::size_t length = least + (state >> 8) % 41;
  std::u16string path;
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    path += alphabet[(state >> 16) % 6];
  }
  return path;
}

// Three in four of path's ">" turned into letters, so that most paths reach
// their end; state is the generator's, advanced.
void WithFewerMarks(std::u16string &path, std::uint32_t &state) {
  for (char16_t &unit : path)
    if (unit == u'>' && (state = state * 1103515245u + 12345u) % 4 != 0) unit = u'a';
}

// path (at most 150 units) held NUL-terminated at each of the eight positions
// of an aligned block, with backslashes after it that would change its folder
// if they were taken as part of it: the first position where check(text)
// fails, or -1 when it holds at all of them.
template <typename Check>
int FirstOffsetFailing(const std::u16string &path, Check check) {
  for (std::size_t offset = 0; offset < 8; ++offset) {
    alignas(16) char16_t buffer[160] = {};
    std::copy(path.begin(), path.end(), buffer + offset);
    std::fill(buffer + offset + path.size() + 1, std::end(buffer), u'\\');
    if (!check(buffer + offset)) return static_cast<int>(offset);
  }
  return -1;
}

// The check that FolderOfText finds folder.
auto FindsFolder(const std::u16string &folder) {
  return [&folder](const char16_t *text) { return std::u16string(FolderOfText(text)) == folder; };
}

TEST(FolderOfTest, AgreesWithTheDefinitionAtEveryPosition) {
  std::uint32_t state = 12345;
  for (int round = 0; round < 20000; ++round) {
    const std::u16string path = RandomPath(state);
    ASSERT_EQ(std::u16string(FolderOf(path)), FolderByDefinition(path)) << "round " << round;
  }
}

// The folder of a NUL-terminated path held at every position of an aligned
// block, with units after the terminator that would change the answer if they
// were taken as part of the path.
TEST(FolderOfTest, TheTerminatedFormAgreesAtEveryAlignment) {
  const std::u16string after = u"\\->\\";
  std::uint32_t state = 777;
  for (int round = 0; round < 4000; ++round) {
    const std::u16string path = RandomPath(state);
    const std::size_t length = path.size();
    for (std::size_t offset = 0; offset < 8; ++offset) {
      alignas(16) char16_t buffer[80] = {};
      std::copy(path.begin(), path.end(), buffer + offset);
      buffer[offset + length] = u'\0';
      std::copy(after.begin(), after.end(), buffer + offset + length + 1);
      ASSERT_EQ(std::u16string(FolderOfText(buffer + offset)), FolderByDefinition(path))
          << "round " << round << ", offset " << offset;
    }
  }
  EXPECT_EQ(FolderOfText(nullptr), u"");
}

// The same for paths of 40 to 80 units, whose terminator lies near or beyond
// the first 64 units of their aligned blocks, with fewer marks so that most
// reach their end.
TEST(FolderOfTest, TheTerminatedFormAgreesAcrossLongPaths) {
  std::uint32_t state = 4242;
  for (int round = 0; round < 4000; ++round) {
    std::u16string path = RandomPath(state, 40);
    WithFewerMarks(path, state);
    ASSERT_EQ(FirstOffsetFailing(path, FindsFolder(FolderByDefinition(path))), -1) << "round " << round;
  }
}

// Units that share a byte with a terminator, a backslash, "-" or ">", or
// that lie at the ends of the signed 16-bit range, are other units.
TEST(FolderOfTest, TheTerminatedFormTellsUnitsApartByAllTheirBits) {
  const char16_t alphabet[] = {u'a',     u'\\',    u'-',     u'>',     u'\u015C', u'\uFF5C', u'\u5C00',
                               u'\uFF2D', u'\uFF3E', u'\u3E00', u'\u8000', u'\uFFFF', u'\u007F', u'\u0100'};
  std::uint32_t state = 31337;
  for (int round = 0; round < 4000; ++round) {
    state = state * 1103515245u + 12345u;
    std::u16string path(1 + (state >> 8) % 70, u'a');
    for (char16_t &unit : path) {
      state = state * 1103515245u + 12345u;
      unit = alphabet[(state >> 16) % (sizeof alphabet / sizeof alphabet[0])];
    }
    ASSERT_EQ(FirstOffsetFailing(path, FindsFolder(FolderByDefinition(path))), -1) << "round " << round;
  }
}

// A "-" just before a text that begins with ">" is not the text's, so the two
// make no archive mark; nor do units before the text end it.
TEST(FolderOfTest, UnitsBeforeTheTerminatedFormAreNotPartOfIt) {
  std::uint32_t state = 99;
  for (int round = 0; round < 4000; ++round) {
    const std::u16string path = u">" + RandomPath(state);
    for (std::size_t offset = 1; offset < 8; ++offset) {
      for (const char16_t before : {u'-', u'\\', u'\0', u'>'}) {
        alignas(16) char16_t buffer[80] = {};
        std::fill(buffer, buffer + offset, before);
        std::copy(path.begin(), path.end(), buffer + offset);
        ASSERT_EQ(std::u16string(FolderOfText(buffer + offset)), FolderByDefinition(path))
            << "round " << round << ", offset " << offset;
      }
    }
  }
}

// Two pages, the second one unreadable; a path ending right before it is read
// without touching it.
class PageBeforeAGap {
 public:
  PageBeforeAGap() {
#if defined(_WIN32)
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    page_ = info.dwPageSize;
    void *pages = VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD old = 0;
    if (pages != nullptr && VirtualProtect(static_cast<char *>(pages) + page_, page_, PAGE_NOACCESS, &old) == 0) {
      VirtualFree(pages, 0, MEM_RELEASE);
      pages = nullptr;
    }
#else
    page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void *pages = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) pages = nullptr;
    if (pages != nullptr && mprotect(static_cast<char *>(pages) + page_, page_, PROT_NONE) != 0) {
      munmap(pages, 2 * page_);
      pages = nullptr;
    }
#endif
    pages_ = static_cast<char *>(pages);
  }
  ~PageBeforeAGap() {
    if (pages_ == nullptr) return;
#if defined(_WIN32)
    VirtualFree(pages_, 0, MEM_RELEASE);
#else
    munmap(pages_, 2 * page_);
#endif
  }
  PageBeforeAGap(const PageBeforeAGap &) = delete;
  PageBeforeAGap &operator=(const PageBeforeAGap &) = delete;

  bool Ready() const { return pages_ != nullptr; }
  // Copies text and its terminator so that they end where the gap begins.
  const char16_t *PlaceAtEnd(const std::u16string &text) {
    auto *end = reinterpret_cast<char16_t *>(pages_ + page_);
    char16_t *start = end - (text.size() + 1);
    std::copy(text.begin(), text.end(), start);
    start[text.size()] = u'\0';
    return start;
  }

 private:
  char *pages_ = nullptr;
  std::size_t page_ = 0;
};

TEST(FolderOfTest, APathEndingAtAnUnreadablePageIsReadUpToItsEnd) {
  PageBeforeAGap pages;
  ASSERT_TRUE(pages.Ready());
  const std::vector<FolderCase> cases = {
      {u"C:\\Users\\Ann\\Downloads\\setup.exe", u"C:\\Users\\Ann\\Downloads\\"},
      {u"D:\\x\\a.zip->b\\c.exe", u"D:\\x\\"},
      {u"a", u""},
      {u"", u""},
      {std::u16string(70, u'a') + u"\\b\\c", std::u16string(70, u'a') + u"\\b\\"},
  };
  for (const FolderCase &c : cases) {
    // Every length up to one unit short of the case, so the path starts at
    // every position of an aligned block and of the blocks before the gap.
    for (std::size_t cut = 0; cut <= 20 && cut <= c.path.size(); ++cut) {
      const std::u16string path = c.path.substr(cut);
      EXPECT_EQ(std::u16string(FolderOfText(pages.PlaceAtEnd(path))), FolderByDefinition(path))
          << "case " << (&c - cases.data()) << ", cut " << cut;
    }
  }
}

// The folder found and copied is the folder of the text, at every alignment,
// for folders up to and beyond the units a copy holds; a longer one is found
// but not copied.
TEST(FolderOfTest, TheCopiedFolderIsTheFolderOfTheText) {
  std::uint32_t state = 2024;
  for (int round = 0; round < 3000; ++round) {
    std::u16string path = RandomPath(state, 8 * static_cast<std::size_t>(round % 12));
    WithFewerMarks(path, state);
    const std::u16string folder = FolderByDefinition(path);
    const auto copies = [&folder](const char16_t *text) {
      FolderCopy copy;
      return std::u16string(CopyFolderOfText(text, copy)) == folder &&
             (folder.size() > FolderCopy::kUnits || std::u16string(copy.Folder()) == folder);
    };
    ASSERT_EQ(FirstOffsetFailing(path, copies), -1) << "round " << round;
  }
  FolderCopy copy;
  EXPECT_EQ(CopyFolderOfText(nullptr, copy), u"");
  EXPECT_EQ(copy.Folder(), u"");

  // Paths that end right before an unreadable page, starting at every
  // position of the blocks before it.
  PageBeforeAGap pages;
  ASSERT_TRUE(pages.Ready());
  const std::u16string wholes[] = {u"D:\\x\\a.zip->b\\c.exe", u"C:\\" + std::u16string(60, u'a') + u"\\b\\c"};
  for (const std::u16string &whole : wholes) {
    for (std::size_t cut = 0; cut <= 20 && cut <= whole.size(); ++cut) {
      const std::u16string path = whole.substr(cut);
      const std::u16string folder = FolderByDefinition(path);
      ASSERT_EQ(std::u16string(CopyFolderOfText(pages.PlaceAtEnd(path), copy)), folder) << "cut " << cut;
      if (folder.size() <= FolderCopy::kUnits) {
        ASSERT_EQ(std::u16string(copy.Folder()), folder) << "cut " << cut;
      }
    }
  }
}

}  // namespace
}  // namespace hf::test
