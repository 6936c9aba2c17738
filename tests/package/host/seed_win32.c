/* Seeds the Windows settings for the C host: creates HKCU\Software\Quorvane
 * and sets its "hotFolders" value (REG_MULTI_SZ) to exactly the bytes of the
 * file named by the first argument, with no terminator added. */
#include <windows.h>

#include <stdio.h>

int main(int argc, char **argv) {
  unsigned char data[4096];
  size_t size;
  FILE *file;
  HKEY key;
  LONG status;

  if (argc != 2) {
    fprintf(stderr, "usage: seed FILE\n");
    return 2;
  }
  file = fopen(argv[1], "rb");
  if (file == NULL) {
    fprintf(stderr, "seed: cannot open %s\n", argv[1]);
    return 1;
  }
  size = fread(data, 1, sizeof data, file);
  fclose(file);

  status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Quorvane", 0, NULL, 0, KEY_ALL_ACCESS,
                           NULL, &key, NULL);
  if (status != ERROR_SUCCESS) {
    fprintf(stderr, "seed: RegCreateKeyExW failed with %ld\n", (long)status);
    return 1;
  }
  status = RegSetValueExW(key, L"hotFolders", 0, REG_MULTI_SZ, data, (DWORD)size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) {
    fprintf(stderr, "seed: RegSetValueExW failed with %ld\n", (long)status);
    return 1;
  }
  return 0;
}
