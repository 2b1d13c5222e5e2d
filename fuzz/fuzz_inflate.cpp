// A raw deflate stream from an installer file: the first two bytes say how many bytes it should
// make. Damaged streams are refused; none reads or writes outside its buffers (the sanitizers
// say so), and one that is accepted made exactly that many bytes.
#include "plugin/inflate.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t outSize = size_t(data[0]) | size_t(data[1]) << 8;
    std::vector<char> out(outSize + 1);
    inflateRaw(data + 2, qsizetype(size - 2), out.data(), qsizetype(outSize));
    return 0;
}
