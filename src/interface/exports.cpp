// The library's two exported functions. Under 32-bit Windows they are
// __stdcall (the callee removes its arguments) and exported by the .def
// file as _ReadD99999Data@24 (ordinal 1) and _WriteD99999Data@36 (ordinal
// 2); the 64-bit DLL exports the same names at the same ordinals.
#define TOVRA_BUILDING
#include "tovra.h"

#include <cstdint>
#include <type_traits>

#include "../datafile/datafile.h"

static_assert(std::is_same<int, std::int32_t>::value, "the host's integers are 32 bits wide");

extern "C" {

TOVRA_API int TOVRA_CALL ReadD99999Data(const char *path, char *KTEIL, int *IFELD, double *DFELD,
                                        char *CFELD, double *PFELD) {
    return tovra::ReadD99999Data(path, KTEIL, IFELD, DFELD, CFELD, PFELD);
}

// Arguments seven to nine are accepted and never read.
TOVRA_API int TOVRA_CALL WriteD99999Data(const char *path, const char *KTEIL, const int *IFELD,
                                         const double *DFELD, const char *CFELD,
                                         const double *PFELD, int, int, int) {
    return tovra::WriteD99999File(path, KTEIL, IFELD, DFELD, CFELD, PFELD);
}

}  // extern "C"
