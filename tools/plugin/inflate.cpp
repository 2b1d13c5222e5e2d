// Canonical Huffman codes are decoded a bit at a time: the installer files this reads are a few
// tens of megabytes, read once.
#include "inflate.h"

#include <cstring>

namespace {

struct Bits
{
    const uchar *data;
    qsizetype size;
    qsizetype pos = 0;
    quint32 buffer = 0;
    int count = 0;
    bool overrun = false;

    int take(int n) // n <= 16
    {
        quint32 value = buffer;
        while (count < n) {
            if (pos >= size) {
                overrun = true;
                return 0;
            }
            value |= quint32(data[pos++]) << count;
            count += 8;
        }
        buffer = value >> n;
        count -= n;
        return int(value & ((1u << n) - 1));
    }
};

struct Huffman
{
    short count[16] = {};   // codes of each length
    short symbol[288] = {}; // symbols in canonical order
};

int decode(Bits &bits, const Huffman &h)
{
    int code = 0, first = 0, index = 0;
    for (int length = 1; length < 16; ++length) {
        code |= bits.take(1);
        const int count = h.count[length];
        if (code - count < first)
            return h.symbol[index + (code - first)];
        index += count;
        first = (first + count) << 1;
        code <<= 1;
        if (bits.overrun)
            return -1;
    }
    return -1;
}

// False for an over-subscribed set of lengths, which no encoder makes.
bool build(Huffman &h, const short *lengths, int n)
{
    for (short &count : h.count)
        count = 0;
    for (int s = 0; s < n; ++s)
        ++h.count[lengths[s]];
    int left = 1;
    for (int length = 1; length < 16; ++length) {
        left = (left << 1) - h.count[length];
        if (left < 0)
            return false;
    }
    short offsets[16] = {};
    for (int length = 1; length < 15; ++length)
        offsets[length + 1] = short(offsets[length] + h.count[length]);
    for (int s = 0; s < n; ++s) {
        if (lengths[s] != 0)
            h.symbol[offsets[lengths[s]]++] = short(s);
    }
    return true;
}

struct Output
{
    char *data;
    qsizetype size;
    qsizetype at = 0;
};

bool codes(Bits &bits, Output &out, const Huffman &lengths, const Huffman &distances)
{
    static const short lengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                         15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                         67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const short lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const short distanceBase[30] = {
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const short distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    for (;;) {
        int symbol = decode(bits, lengths);
        if (symbol < 0)
            return false;
        if (symbol < 256) {
            if (out.at >= out.size)
                return false;
            out.data[out.at++] = char(symbol);
            continue;
        }
        if (symbol == 256)
            return true;
        symbol -= 257;
        if (symbol >= 29)
            return false;
        const int length = lengthBase[symbol] + bits.take(lengthExtra[symbol]);
        const int code = decode(bits, distances);
        if (code < 0 || code >= 30)
            return false;
        const qsizetype distance = distanceBase[code] + bits.take(distanceExtra[code]);
        if (bits.overrun || distance > out.at || length > out.size - out.at)
            return false;
        for (int i = 0; i < length; ++i, ++out.at) // byte by byte: the copy may overlap itself
            out.data[out.at] = out.data[out.at - distance];
    }
}

bool stored(Bits &bits, Output &out)
{
    bits.buffer = 0; // to the next whole byte
    bits.count = 0;
    if (bits.size - bits.pos < 4)
        return false;
    const uchar *p = bits.data + bits.pos;
    const int length = p[0] | p[1] << 8;
    if ((p[2] | p[3] << 8) != (~length & 0xffff))
        return false;
    bits.pos += 4;
    if (length > bits.size - bits.pos || length > out.size - out.at)
        return false;
    memcpy(out.data + out.at, bits.data + bits.pos, size_t(length));
    bits.pos += length;
    out.at += length;
    return true;
}

bool fixed(Bits &bits, Output &out)
{
    static Huffman lengths, distances;
    static const bool built = [] {
        short l[288];
        int s = 0;
        for (; s < 144; ++s)
            l[s] = 8;
        for (; s < 256; ++s)
            l[s] = 9;
        for (; s < 280; ++s)
            l[s] = 7;
        for (; s < 288; ++s)
            l[s] = 8;
        short d[30];
        for (short &length : d)
            length = 5;
        return build(lengths, l, 288) && build(distances, d, 30);
    }();
    return built && codes(bits, out, lengths, distances);
}

bool dynamic(Bits &bits, Output &out)
{
    static const short order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                    11, 4,  12, 3, 13, 2, 14, 1, 15};
    const int lengthCount = bits.take(5) + 257;
    const int distanceCount = bits.take(5) + 1;
    const int codeCount = bits.take(4) + 4;
    if (lengthCount > 286 || distanceCount > 30)
        return false;
    short lengths[320] = {};
    for (int i = 0; i < codeCount; ++i)
        lengths[order[i]] = short(bits.take(3));
    Huffman codeLengths;
    if (!build(codeLengths, lengths, 19))
        return false;
    for (int i = 0; i < lengthCount + distanceCount;) {
        int symbol = decode(bits, codeLengths);
        if (symbol < 0)
            return false;
        if (symbol < 16) {
            lengths[i++] = short(symbol);
            continue;
        }
        short repeated = 0;
        int times;
        if (symbol == 16) {
            if (i == 0)
                return false;
            repeated = lengths[i - 1];
            times = 3 + bits.take(2);
        } else if (symbol == 17) {
            times = 3 + bits.take(3);
        } else {
            times = 11 + bits.take(7);
        }
        if (i + times > lengthCount + distanceCount)
            return false;
        while (times-- > 0)
            lengths[i++] = repeated;
    }
    if (lengths[256] == 0 || bits.overrun)
        return false;
    Huffman literals, distances;
    return build(literals, lengths, lengthCount) &&
           build(distances, lengths + lengthCount, distanceCount) &&
           codes(bits, out, literals, distances);
}

} // namespace

bool inflateRaw(const uchar *data, qsizetype size, char *out, qsizetype outSize)
{
    Bits bits{data, size};
    Output output{out, outSize};
    for (bool last = false; !last;) {
        last = bits.take(1);
        const int type = bits.take(2);
        bool ok = false;
        if (type == 0)
            ok = stored(bits, output);
        else if (type == 1)
            ok = fixed(bits, output);
        else if (type == 2)
            ok = dynamic(bits, output);
        if (!ok || bits.overrun)
            return false;
    }
    return output.at == outSize;
}
