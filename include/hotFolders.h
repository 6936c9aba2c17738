/*
 * hotFolders: the folders in which the product has dealt with objects most
 * often of late, ranked from its two history logs and kept in the current
 * user's settings under HKEY_CURRENT_USER\Software\Quorvane.
 *
 * Every function returns a 32-bit signed integer: 1 for success and 0 for
 * failure, or a count. No function reports why it failed, raises an error into
 * the host, or lets a C++ exception escape. Calls are serialised inside the
 * library; the settings key must exist (the library never creates it).
 */
#ifndef HOTFOLDERS_H
#define HOTFOLDERS_H

#include <stdint.h>

#if defined(_WIN32)
typedef wchar_t HF_UTF16; /* one UTF-16 code unit */
#elif defined(__cplusplus)
typedef char16_t HF_UTF16;
#else
typedef uint_least16_t HF_UTF16;
#endif

#if defined(HOTFOLDERS_STATIC)
#define HOTFOLDERS_API
#elif defined(_WIN32)
#if defined(HOTFOLDERS_BUILDING)
#define HOTFOLDERS_API __declspec(dllexport)
#else
#define HOTFOLDERS_API __declspec(dllimport)
#endif
#else
#define HOTFOLDERS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Number of folders in the stored ranked list (reloaded on every call); 0 when
 * the settings key or the value is missing, empty or unreadable. */
HOTFOLDERS_API int32_t GetPathCount(void);

/* Copies the path of stored entry `index` (0-based) with its terminating NUL
 * into `buffer` (`capacity` code units, terminator included) and its hit count
 * into *countOut. Returns 1, or 0 without writing anything when index is out
 * of range, buffer or countOut is null, capacity is 0, or the path and its
 * terminator do not fit. */
HOTFOLDERS_API int32_t GetLogPath(int32_t index, HF_UTF16 *buffer, uint32_t capacity,
                                  int32_t *countOut);

/* Removes every entry equal to `folderPath` (case-sensitive, exactly as
 * given) from the ranked list and records it as removed, so that no later
 * rebuild ranks it again. Returns 1 when the key could be opened for writing;
 * 0 when folderPath is null, the key is missing or not writable, or the stored
 * list cannot be read (then nothing is written). */
HOTFOLDERS_API int32_t DeletePath(const HF_UTF16 *folderPath);

/* Rebuilds the ranked list from the log engine's two history logs (at most
 * about 30 seconds of reading) and stores the best three folders. Returns 1
 * when the harvest ran, whatever it found; 0 when the removed-folder list
 * cannot be loaded (the key is missing or unreadable). */
HOTFOLDERS_API int32_t UpdatePath(void);

#ifdef __cplusplus
}
#endif

#endif /* HOTFOLDERS_H */
