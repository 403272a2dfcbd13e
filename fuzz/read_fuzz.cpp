// Any bytes as a data file: the reader must stay inside the five buffers,
// leave every text slot NUL-terminated, return 0 and show at most the one
// limit message.
#include <cstdint>
#include <cstring>
#include <string>

#include "datafile/datafile.h"
#include "support.h"

using namespace tovra_fuzz;

namespace {

// MaxAnz outlives a call; a value line before the first header shows it.
// Every value must be safe, so each input starts from one of these, picked
// by its size (keeping a run reproducible input by input).
const std::int32_t kMaxAnzStart[] = {0, 4, 9, 14, 169, -1, INT32_MAX, INT32_MIN};

bool Terminated(const char *slot) { return std::memchr(slot, '\0', 80) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string path = ScratchDir() + "/read.dat";
    static GuardedData buffers;
    PutFile(path, data, size);

    tovra::MaxAnz = kMaxAnzStart[size % (sizeof kMaxAnzStart / sizeof kMaxAnzStart[0])];
    buffers.Prepare(static_cast<unsigned char>(size * 131 + 1));
    ClearMessages();
    int result = tovra::ReadD99999Data(path.c_str(), buffers.KTEIL(), buffers.IFELD(), buffers.DFELD(),
                                       buffers.CFELD(), buffers.PFELD());

    buffers.CheckGuards();
    Check(result == 0, "the read did not return 0");
    Check(Messages().size() <= 1, "more than one message");
    if (!Messages().empty())
        Check(Messages()[0].compare(0, 15, "\nAbbruch in KK=") == 0, "a message other than the limit");
    Check(Terminated(buffers.KTEIL()), "KTEIL holds no NUL within 80 bytes");
    Check(std::strlen(buffers.KTEIL()) >= 1, "the head text lacks its blank");
    for (int i = 0; i < 10; ++i)
        Check(Terminated(buffers.CFELD() + 80 * i), "a CFELD slot holds no NUL within 80 bytes");
    return 0;
}
