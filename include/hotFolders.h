/*
 * hotFolders: the folders in which the product has dealt with objects most
 * often of late, ranked from its two history logs and kept in the current
 * user's settings under HKEY_CURRENT_USER\Software\Quorvane (values
 * "hotFolders", the ranked list, and "deletepath", the folders the user
 * removed).
 *
 * Plain C interface for C (C99 and later) and C++ hosts. Every function
 * returns a 32-bit signed integer: 1 for success and 0 for failure, or a
 * count. No function says why it failed, raises an error into the host or
 * lets a C++ exception escape. Nothing is kept between calls: each call
 * reloads what it needs from the settings. Calls are serialised inside the
 * library. The settings key must exist; the library never creates it.
 *
 * Strings are UTF-16 code units (HF_UTF16): wchar_t on Windows; elsewhere
 * char16_t in C++11 and later, a 16-bit unsigned integer in C and older C++.
 */
#ifndef HOTFOLDERS_H
#define HOTFOLDERS_H

#include <stdint.h>

#if defined(_WIN32)
#include <stddef.h> /* wchar_t is a typedef in C */
typedef wchar_t HF_UTF16;
#elif defined(__cplusplus) && __cplusplus >= 201103L
typedef char16_t HF_UTF16;
#else
typedef uint16_t HF_UTF16;
#endif

/* Windows hosts import the functions from hotFolders.dll; the library's own
 * build exports them, and its static test build needs neither. */
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

/* Returns the number of folders in the stored ranked list, reloaded on every
 * call (at most three as UpdatePath writes it). Returns 0 when the settings
 * key or the "hotFolders" value is missing, empty or unreadable, or memory
 * runs out; a damaged value counts the entries before the damage. */
HOTFOLDERS_API int32_t GetPathCount(void);

/* Copies the path of the stored entry at `index` (0-based, in the list as
 * this call reloads it) with its terminating NUL into `buffer`, which holds
 * `capacity` code units counting the terminator, and stores its hit count in
 * *countOut. Returns 1. Returns 0 and writes nothing when index is negative or
 * not less than the count, buffer or countOut is null, capacity is 0, the path
 * and its terminator need more than capacity code units (retry with a larger
 * buffer: the needed length cannot be asked), or the list cannot be read. */
HOTFOLDERS_API int32_t GetLogPath(int32_t index, HF_UTF16 *buffer, uint32_t capacity,
                                  int32_t *countOut);

/* Removes every entry whose path equals the NUL-terminated `folderPath`
 * (case-sensitive, exactly as given) from the ranked list and records the
 * folder in "deletepath", so that no later UpdatePath ranks it again. A
 * folder that is not in the list is not recorded; the list is still written
 * back, as its entries parsed, in one write. Returns 1 when the list was
 * rewritten. Returns 0 when folderPath is null, the key is missing or cannot
 * be opened for writing, the user's settings lock exists but cannot be taken,
 * the stored list exists but cannot be read (it is then never written over),
 * the removal cannot be recorded, the store refuses to write the list back or
 * memory runs out (the list then keeps its old text and the folder). */
HOTFOLDERS_API int32_t DeletePath(const HF_UTF16 *folderPath);

/* Rebuilds the ranked list from the log engine's two history logs, counting
 * the folders of the objects logged in the current month or after today's day
 * of the previous month, skipping removed folders, and stores the best
 * three. Blocks until both logs are read or about 30 seconds of reading are
 * spent, and waits for the logs no more than 35 seconds in all: a log whose
 * engine has not returned from a call by then counts for nothing, its reader
 * thread is left to end on its own, and the library stays loaded in the
 * process from then on. Returns 1 when the harvest ran, whatever it found
 * (with no engine or no recent record the old list stays). Folders removed
 * while the logs were read are left out of what is stored. Returns 0, writing
 * nothing, when the key is missing, the user's settings lock exists but
 * cannot be taken, or the "deletepath" value cannot be loaded whole
 * (unreadable, empty of bytes, damaged), before the reading or again before
 * the write; also 0 when memory runs out outside the log reading, and 0 when
 * the new list could not be stored (a key that cannot be written, a full
 * disk; the old list then stays whole). */
HOTFOLDERS_API int32_t UpdatePath(void);

#ifdef __cplusplus
}
#endif

#endif /* HOTFOLDERS_H */
