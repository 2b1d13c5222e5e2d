#pragma once

#include <QtGlobal>

// Decompresses a raw deflate stream (RFC 1951), as a zip file holds it, into exactly outSize
// bytes at out, with zlib. False when the stream is damaged, ends early, or makes more or fewer
// bytes.
bool inflateRaw(const uchar *data, qsizetype size, char *out, qsizetype outSize);
