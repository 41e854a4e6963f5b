// Feeds arbitrary bytes to the parser of a window's hand-off socket, which reads whatever any
// process of the user writes to it. Whatever it accepts as names must be what a sender's
// request for those names would be, byte for byte.
#include "handoff/HandoffChannel.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const QByteArrayView received(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const HandoffRequest request = ParseHandoffRequest(received);
    if (request.kind == HandoffFrame::Names) {
        if (request.text.size() > kHandoffTextLimit || MakeNamesRequest(request.text) != received)
            __builtin_trap();
        SplitHandoffText(request.text);
    }
    return 0;
}
