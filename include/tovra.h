/*
 * tovra.h - save and load one data set as a sectioned plain-text data file.
 *
 * The host owns the data set and passes it as five buffers:
 *   KTEIL  head text, one 80-byte slot (NUL-terminated, at most 79 characters)
 *   IFELD  5 signed 32-bit integers
 *   DFELD  170 doubles
 *   CFELD  10 text slots of 80 bytes each, slot k at byte 80 * k
 *   PFELD  15 doubles
 *
 * A list ends for the writer at its first end marker (see below) or when it
 * is full. After a read, numeric slots the file did not fill hold 0 and text
 * slots hold "END_OF_CFELD".
 *
 * Both functions return 0 on success and 1 when the file could not be
 * opened (or, for the writer, not written completely). Problems are shown
 * to the user in a modal message box with the caption "TOVRA" (on Linux: on
 * standard error). The library is not thread-safe: never call it from two
 * threads at once.
 *
 * Usable from C and C++.
 */
#ifndef TOVRA_H
#define TOVRA_H

#define TOVRA_IFELD_COUNT 5
#define TOVRA_DFELD_COUNT 170
#define TOVRA_CFELD_COUNT 10
#define TOVRA_PFELD_COUNT 15
#define TOVRA_SLOT_SIZE 80
#define TOVRA_MAX_TEXT 79

/* End markers. An integer list ends at its first value below
 * TOVRA_IFELD_END_LIMIT, a real list at its first value below
 * TOVRA_REAL_END_LIMIT or a NaN, the text list at its first slot holding
 * TOVRA_CFELD_END. TOVRA_IFELD_END and TOVRA_REAL_END are values a host
 * can store to mark an end. */
#define TOVRA_IFELD_END_LIMIT (-9997)
#define TOVRA_IFELD_END (-9998)
#define TOVRA_REAL_END_LIMIT (-9997.77)
#define TOVRA_REAL_END (-9998.77)
#define TOVRA_CFELD_END "END_OF_CFELD"

#if defined(_WIN32)
#define TOVRA_CALL __stdcall
#if defined(TOVRA_BUILDING)
#define TOVRA_API
#else
#define TOVRA_API __declspec(dllimport)
#endif
#else
#define TOVRA_CALL
#if defined(TOVRA_BUILDING)
#define TOVRA_API __attribute__((visibility("default")))
#else
#define TOVRA_API
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Resets the five buffers and fills them from the data file at path.
 * Exported from TOVRA.dll as _ReadD99999Data@24, ordinal 1. */
TOVRA_API int TOVRA_CALL ReadD99999Data(const char *path, char *KTEIL, int *IFELD, double *DFELD,
                                        char *CFELD, double *PFELD);

/* Writes the data set into the data file at path, replacing it. The last
 * three arguments are accepted and ignored.
 * Exported from TOVRA.dll as _WriteD99999Data@36, ordinal 2. */
TOVRA_API int TOVRA_CALL WriteD99999Data(const char *path, const char *KTEIL, const int *IFELD,
                                         const double *DFELD, const char *CFELD,
                                         const double *PFELD, int unused7, int unused8,
                                         int unused9);

#ifdef __cplusplus
}
#endif

#endif /* TOVRA_H */
