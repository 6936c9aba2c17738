// hotFolders.dll loads (its load routine reports success), exports its four
// functions under their names and ordinals 1 to 4, and unloads.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// <build>\bin\hotFolders.dll, from this test's own path <build>\tests\<name>.exe.
std::string LibraryPath() {
  char buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string path(buffer, length);
  const std::size_t exeSlash = path.find_last_of('\\');
  const std::size_t dirSlash = path.find_last_of('\\', exeSlash - 1);
  return path.substr(0, dirSlash) + "\\bin\\hotFolders.dll";
}

TEST(DllExportsTest, FourFunctionsByNameAndOrdinal) {
  HMODULE library = LoadLibraryA(LibraryPath().c_str());
  ASSERT_NE(library, nullptr) << LibraryPath() << " error " << GetLastError();
  const char *names[] = {"GetPathCount", "GetLogPath", "DeletePath", "UpdatePath"};
  for (WORD ordinal = 1; ordinal <= 4; ++ordinal) {
    const char *name = names[ordinal - 1];
    const FARPROC byName = GetProcAddress(library, name);
    const FARPROC byOrdinal = GetProcAddress(library, MAKEINTRESOURCEA(ordinal));
    EXPECT_NE(byName, nullptr) << name;
    EXPECT_EQ(byName, byOrdinal) << name;
  }
  EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(5)), nullptr);
  EXPECT_EQ(GetProcAddress(library, "DllMain"), nullptr);
  EXPECT_TRUE(FreeLibrary(library));
}

}  // namespace
