/* Linked against the 32-bit import libraries by the static check: a host
 * that calls both functions through the public header. */
#include "tovra.h"

int main(void) {
    char kteil[TOVRA_SLOT_SIZE] = "head";
    int ifeld[TOVRA_IFELD_COUNT] = {TOVRA_IFELD_END};
    double dfeld[TOVRA_DFELD_COUNT] = {TOVRA_REAL_END};
    char cfeld[TOVRA_CFELD_COUNT][TOVRA_SLOT_SIZE] = {TOVRA_CFELD_END};
    double pfeld[TOVRA_PFELD_COUNT] = {TOVRA_REAL_END};
    int w = WriteD99999Data("host.dat", kteil, ifeld, dfeld, cfeld[0], pfeld, 0, 0, 0);
    int r = ReadD99999Data("host.dat", kteil, ifeld, dfeld, cfeld[0], pfeld);
    return w + r;
}
