/* A C host of hotFolders, built against the installed header and library.
 * The settings key is seeded with the list "C:\a,5|D:\Müll,3|" and no engine
 * lies beside this program. Calls the four functions, checks every answer and
 * exits with 0 when all of them hold. */
#include <hotFolders.h>

#include <stddef.h>
#include <stdio.h>

static int failures = 0;

static void check(int ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "host: FAILED: %s\n", what);
    ++failures;
  }
}

/* 1 when the NUL-terminated `text` holds exactly the code units of `expected`. */
static int same_text(const HF_UTF16 *text, const HF_UTF16 *expected) {
  size_t i = 0;
  for (; expected[i] != 0; ++i) {
    if (text[i] != expected[i]) return 0;
  }
  return text[i] == 0;
}

static void fill(HF_UTF16 *buffer, size_t size) {
  size_t i;
  for (i = 0; i < size; ++i) buffer[i] = (HF_UTF16)0xAAAA;
}

int main(void) {
  static const HF_UTF16 first[] = {'C', ':', '\\', 'a', 0};
  static const HF_UTF16 second[] = {'D', ':', '\\', 'M', 0xFC, 'l', 'l', 0};
  static const HF_UTF16 other_case[] = {'c', ':', '\\', 'A', 0};
  HF_UTF16 buffer[64];
  int32_t hits = -1;

  check(GetPathCount() == 2, "GetPathCount gives both stored folders");

  check(GetLogPath(1, buffer, 64, &hits) == 1, "GetLogPath(1) succeeds");
  check(same_text(buffer, second) && hits == 3, "GetLogPath(1) gives D:\\M\\u00fcll and 3");

  /* C:\a needs 5 code units with its terminator. */
  fill(buffer, 64);
  hits = -1;
  check(GetLogPath(0, buffer, 4, &hits) == 0, "GetLogPath refuses a buffer one unit short");
  check(buffer[0] == 0xAAAA && hits == -1, "a refused GetLogPath writes nothing");
  check(GetLogPath(0, buffer, 5, &hits) == 1, "GetLogPath(0) with an exact fit succeeds");
  check(same_text(buffer, first) && hits == 5, "GetLogPath(0) gives C:\\a and 5");
  check(buffer[5] == 0xAAAA, "GetLogPath writes nothing after the terminator");

  check(GetLogPath(-1, buffer, 64, &hits) == 0, "a negative index is refused");
  check(GetLogPath(2, buffer, 64, &hits) == 0, "an index past the end is refused");
  check(GetLogPath(0, NULL, 64, &hits) == 0, "a null buffer is refused");
  check(GetLogPath(0, buffer, 0, &hits) == 0, "a capacity of 0 is refused");
  check(GetLogPath(0, buffer, 64, NULL) == 0, "a null count is refused");

  check(DeletePath(NULL) == 0, "DeletePath(NULL) is refused");
  check(DeletePath(other_case) == 1, "DeletePath of a folder not in the list succeeds");
  check(GetPathCount() == 2, "a folder in another letter case is not removed");
  check(DeletePath(second) == 1, "DeletePath of a stored folder succeeds");
  check(GetPathCount() == 1, "one folder is left after DeletePath");

  /* No engine can be found: the rebuild runs, counts nothing, keeps the list. */
  check(UpdatePath() == 1, "UpdatePath without an engine succeeds");
  check(GetPathCount() == 1, "the list keeps its folder after UpdatePath");
  check(GetLogPath(0, buffer, 64, &hits) == 1 && same_text(buffer, first) && hits == 5,
        "the kept folder is C:\\a with 5 hits");

  if (failures != 0) return 1;
  puts("host: all checks passed");
  return 0;
}
