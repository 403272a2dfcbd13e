/* An example host: fills a data set, saves it with WriteD99999Data, reads
 * it back with ReadD99999Data and checks what came back.
 *
 *   example_host [FILE]     (default: example.dat in the current folder)
 *
 * Exit status 0 when the data set came back as expected. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <tovra.h>

struct DataSet {
    char kteil[TOVRA_SLOT_SIZE];
    int ifeld[TOVRA_IFELD_COUNT];
    double dfeld[TOVRA_DFELD_COUNT];
    char cfeld[TOVRA_CFELD_COUNT][TOVRA_SLOT_SIZE];
    double pfeld[TOVRA_PFELD_COUNT];
};

static int failures = 0;

static void expect(int ok, const char *what) {
    if (!ok) {
        fprintf(stderr, "example_host: wrong after reading back: %s\n", what);
        ++failures;
    }
}

int main(int argc, char **argv) {
    const char *path = argc > 1 ? argv[1] : "example.dat";
    static struct DataSet out, in;
    int i;

    /* The data set: each list ended by its marker. */
    strcpy(out.kteil, "Example host");
    out.ifeld[0] = 7;
    out.ifeld[1] = -12;
    out.ifeld[2] = 2024;
    out.ifeld[3] = TOVRA_IFELD_END;
    out.dfeld[0] = 1.5;
    out.dfeld[1] = -0.25;
    out.dfeld[2] = 1234.5678901; /* comes back rounded to six decimals */
    out.dfeld[3] = TOVRA_REAL_END;
    strcpy(out.cfeld[0], "abc");
    strcpy(out.cfeld[1], "with trailing blanks   ");
    strcpy(out.cfeld[2], TOVRA_CFELD_END);
    out.pfeld[0] = 0.125;
    out.pfeld[1] = TOVRA_REAL_END;

    if (WriteD99999Data(path, out.kteil, out.ifeld, out.dfeld, &out.cfeld[0][0], out.pfeld, 0, 0, 0) != 0) {
        fprintf(stderr, "example_host: cannot write %s\n", path);
        return 1;
    }
    if (ReadD99999Data(path, in.kteil, in.ifeld, in.dfeld, &in.cfeld[0][0], in.pfeld) != 0) {
        fprintf(stderr, "example_host: cannot read %s\n", path);
        return 1;
    }

    /* The reader appends one blank to the head text. */
    expect(strcmp(in.kteil, "Example host ") == 0, "head text");
    expect(in.ifeld[0] == 7 && in.ifeld[1] == -12 && in.ifeld[2] == 2024, "IFELD");
    /* Slots past a list's end read as 0. */
    expect(in.ifeld[3] == 0 && in.ifeld[4] == 0, "IFELD past its end");
    expect(in.dfeld[0] == 1.5 && in.dfeld[1] == -0.25, "DFELD");
    expect(fabs(in.dfeld[2] - 1234.567890) < 1e-9, "DFELD rounded to six decimals");
    expect(in.dfeld[3] == 0.0, "DFELD past its end");
    /* Texts lose their trailing blanks; unfilled text slots hold the marker. */
    expect(strcmp(in.cfeld[0], "abc") == 0, "CFELD[0]");
    expect(strcmp(in.cfeld[1], "with trailing blanks") == 0, "CFELD[1]");
    expect(strcmp(in.cfeld[2], TOVRA_CFELD_END) == 0, "CFELD past its end");
    expect(in.pfeld[0] == 0.125 && in.pfeld[1] == 0.0, "PFELD");

    printf("example_host: wrote and read back %s\n", path);
    printf("  head text \"%s\"\n", in.kteil);
    printf("  IFELD %d %d %d\n", in.ifeld[0], in.ifeld[1], in.ifeld[2]);
    printf("  DFELD");
    for (i = 0; i < 3; ++i) printf(" %.6f", in.dfeld[i]);
    printf("\n  CFELD \"%s\" \"%s\"\n", in.cfeld[0], in.cfeld[1]);
    printf("  PFELD %.6f\n", in.pfeld[0]);
    printf("example_host: %s\n", failures == 0 ? "all values as expected" : "FAILED");
    return failures == 0 ? 0 : 1;
}
