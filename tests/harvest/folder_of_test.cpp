// The folder of an object path, plain and NUL-terminated.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// A path of up to 40 units built from the units that matter, so that marks
// and backslashes fall on every position of the wide steps; state is the
// generator's, advanced.
std::u16string RandomPath(std::uint32_t &state) {
  const char16_t alphabet[] = {u'a', u'\\', u'-', u'>', u'\u00E9', u'\u3E2D'};
  state = state * 1103515245u + 12345u;
  const std::size_t length = (state >> 8) % 41;
  std::u16string path;
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    path += alphabet[(state >> 16) % 6];
  }
  return path;
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

}  // namespace
}  // namespace hf::test
