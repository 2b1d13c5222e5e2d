#include "inflate.h"

#include <zlib.h>

#include <limits>

bool inflateRaw(const uchar *data, qsizetype size, char *out, qsizetype outSize)
{
    // zlib takes at most 4 GiB a call; an installer file's entries are far smaller.
    constexpr qsizetype most = std::numeric_limits<uInt>::max();
    if (size < 0 || outSize < 0 || size > most || outSize > most)
        return false;
    z_stream stream = {};
    // Negative window bits: a raw stream, without the zlib header a zip file does not have.
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef *>(data);
    stream.avail_in = uInt(size);
    stream.next_out = reinterpret_cast<Bytef *>(out);
    stream.avail_out = uInt(outSize);
    const int status = inflate(&stream, Z_FINISH);
    const bool whole = status == Z_STREAM_END && stream.avail_out == 0;
    inflateEnd(&stream);
    return whole;
}
