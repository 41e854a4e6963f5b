/*
 * Reads the HEIF box structure as far as needed to find every size libheif (and the HEVC and
 * AV1 decoders under it) will allocate for: the grid and overlay canvases from their items'
 * data, the coded picture sizes from the parameter sets in 'hvcC' and 'av1C' and in the coded
 * items' own data. Bounds are checked at every step: this runs on any file named like a HEIC.
 */
#include "plugins/heif/HeifSizes.h"

#include <stdlib.h>
#include <string.h>

#define FOURCC(a, b, c, d) ((uint32_t)(a) << 24 | (uint32_t)(b) << 16 | (uint32_t)(c) << 8 | (uint32_t)(d))

typedef struct Span {
    const unsigned char* p;
    size_t n;
} Span;

static uint64_t Be(const unsigned char* p, size_t bytes)
{
    uint64_t v = 0;
    for (size_t i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

/* Takes `bytes` big-endian bytes off the front of s; 0 when s is shorter. */
static int Take(Span* s, size_t bytes, uint64_t* v)
{
    if (s->n < bytes) return 0;
    *v = Be(s->p, bytes);
    s->p += bytes;
    s->n -= bytes;
    return 1;
}

/* The next box of s: its type and body; 0 at the end or at a box that does not fit. */
static int NextBox(Span* s, uint32_t* type, Span* body)
{
    uint64_t size;
    size_t head = 8;
    if (s->n < 8) return 0;
    size = Be(s->p, 4);
    *type = (uint32_t)Be(s->p + 4, 4);
    if (size == 1) {
        if (s->n < 16) return 0;
        size = Be(s->p + 8, 8);
        head = 16;
    } else if (size == 0) {
        size = s->n;
    }
    if (size < head || size > s->n) return 0;
    body->p = s->p + head;
    body->n = (size_t)size - head;
    s->p += size;
    s->n -= (size_t)size;
    return 1;
}

/* The first child of `parent` with `type`, after skipping `skip` bytes of the parent's own. */
static int FindBox(Span parent, size_t skip, uint32_t type, Span* found)
{
    uint32_t t;
    Span body;
    if (parent.n < skip) return 0;
    parent.p += skip;
    parent.n -= skip;
    while (NextBox(&parent, &t, &body))
        if (t == type) {
            *found = body;
            return 1;
        }
    return 0;
}

/* ---- bit reading over an HEVC RBSP or an AV1 OBU (zeros past the end, as the decoders) ---- */

typedef struct Bits {
    const unsigned char* p;
    size_t n, pos; /* pos in bits */
} Bits;

static uint32_t ReadBits(Bits* b, int count)
{
    uint32_t v = 0;
    for (int i = 0; i < count; ++i, ++b->pos) {
        const size_t byte = b->pos >> 3;
        v = v << 1 | (byte < b->n ? (uint32_t)(b->p[byte] >> (7 - (b->pos & 7))) & 1 : 0);
    }
    return v;
}

/* ue(v) as libde265 reads it: more than 20 leading zeros is an error (-1). */
static int64_t ReadUe(Bits* b)
{
    int zeros = 0;
    while (ReadBits(b, 1) == 0)
        if (++zeros > 20) return -1;
    return (int64_t)((1u << zeros) - 1) + ReadBits(b, zeros);
}

/* An HEVC SPS NAL (with its two-byte header): the picture's area, or 0 when it is not read
 * (a decoder does not read it either, so nothing is allocated for it). */
static uint64_t SpsArea(const unsigned char* nal, size_t size)
{
    unsigned char rbsp[256];
    size_t n = 0, zeros = 0;
    Bits b;
    int subLayers, i;
    int64_t width, height;
    /* The fields up to the size lie in the first bytes; emulation prevention bytes go. */
    for (size_t k = 2; k < size && n < sizeof rbsp; ++k) {
        if (zeros >= 2 && nal[k] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[k] == 0 ? zeros + 1 : 0;
        rbsp[n++] = nal[k];
    }
    b.p = rbsp;
    b.n = n;
    b.pos = 4;
    subLayers = (int)ReadBits(&b, 3);
    b.pos += 1 + 96; /* temporal nesting, general profile, tier and level */
    {
        int profile[8] = {0}, level[8] = {0};
        for (i = 0; i < subLayers; ++i) {
            profile[i] = (int)ReadBits(&b, 1);
            level[i] = (int)ReadBits(&b, 1);
        }
        if (subLayers > 0) b.pos += 2 * (size_t)(8 - subLayers);
        for (i = 0; i < subLayers; ++i) b.pos += (profile[i] ? 88 : 0) + (level[i] ? 8 : 0);
    }
    if (ReadUe(&b) < 0) return 0;
    {
        const int64_t chroma = ReadUe(&b);
        if (chroma < 0) return 0;
        if (chroma == 3) b.pos += 1;
    }
    width = ReadUe(&b);
    height = ReadUe(&b);
    return width > 0 && height > 0 ? (uint64_t)width * (uint64_t)height : 0;
}

/* Walks HEVC NALs with 4-byte lengths (as libheif hands an item's data to the decoder): the
 * largest SPS area among them. */
static uint64_t HevcDataArea(Span data)
{
    uint64_t largest = 0, length;
    while (Take(&data, 4, &length)) {
        const size_t n = length < data.n ? (size_t)length : data.n;
        if (n >= 2 && ((data.p[0] >> 1) & 0x3f) == 33) {
            const uint64_t area = SpsArea(data.p, n);
            if (area > largest) largest = area;
        }
        data.p += n;
        data.n -= n;
    }
    return largest;
}

/* The parameter sets of an 'hvcC' body: the largest SPS area. */
static uint64_t HvccArea(Span c)
{
    uint64_t largest = 0, arrays, type, count, length;
    if (c.n < 23) return 0;
    c.p += 22;
    c.n -= 22;
    if (!Take(&c, 1, &arrays)) return 0;
    while (arrays-- > 0 && Take(&c, 1, &type) && Take(&c, 2, &count))
        while (count-- > 0 && Take(&c, 2, &length)) {
            const size_t n = length < c.n ? (size_t)length : c.n;
            if ((type & 0x3f) == 33 && n >= 2) {
                const uint64_t area = SpsArea(c.p, n);
                if (area > largest) largest = area;
            }
            c.p += n;
            c.n -= n;
        }
    return largest;
}

static uint64_t Leb128(Span* s, int* ok)
{
    uint64_t v = 0, byte;
    for (int i = 0; i < 8; ++i) {
        if (!Take(s, 1, &byte)) break;
        v |= (byte & 0x7f) << (7 * i);
        if (!(byte & 0x80)) return v;
    }
    *ok = 0;
    return 0;
}

/* An AV1 sequence header OBU's payload: the largest frame it allows. */
static uint64_t Av1SequenceArea(const unsigned char* p, size_t n)
{
    Bits b = {p, n, 0};
    int reduced, timing = 0, decoderModel = 0, initialDelay = 0, delayLength = 0, points, i;
    uint32_t widthBits, heightBits;
    b.pos = 4; /* profile, still picture */
    reduced = (int)ReadBits(&b, 1);
    if (reduced) {
        b.pos += 5;
    } else {
        timing = (int)ReadBits(&b, 1);
        if (timing) {
            b.pos += 64;
            if (ReadBits(&b, 1)) { /* equal picture interval: uvlc */
                int zeros = 0;
                while (ReadBits(&b, 1) == 0 && zeros < 32) ++zeros;
                b.pos += (size_t)zeros;
            }
            decoderModel = (int)ReadBits(&b, 1);
            if (decoderModel) {
                delayLength = (int)ReadBits(&b, 5) + 1;
                b.pos += 32 + 10;
            }
        }
        initialDelay = (int)ReadBits(&b, 1);
        points = (int)ReadBits(&b, 5) + 1;
        for (i = 0; i < points; ++i) {
            b.pos += 12;
            if (ReadBits(&b, 5) > 7) b.pos += 1;
            if (decoderModel && ReadBits(&b, 1)) b.pos += 2 * (size_t)delayLength + 1;
            if (initialDelay && ReadBits(&b, 1)) b.pos += 4;
        }
    }
    widthBits = ReadBits(&b, 4) + 1;
    heightBits = ReadBits(&b, 4) + 1;
    return ((uint64_t)ReadBits(&b, (int)widthBits) + 1) * ((uint64_t)ReadBits(&b, (int)heightBits) + 1);
}

/* Walks AV1 OBUs: the largest frame a sequence header among them allows. */
static uint64_t Av1ObusArea(Span s)
{
    uint64_t largest = 0, header, size;
    int ok = 1;
    while (ok && Take(&s, 1, &header)) {
        uint64_t extension;
        if ((header & 4) && !Take(&s, 1, &extension)) break;
        size = (header & 2) ? Leb128(&s, &ok) : s.n;
        if (!ok || size > s.n) break;
        if (((header >> 3) & 15) == 1) {
            const uint64_t area = Av1SequenceArea(s.p, (size_t)size);
            if (area > largest) largest = area;
        }
        s.p += size;
        s.n -= (size_t)size;
    }
    return largest;
}

/* ---- items ---- */

typedef struct File {
    Span whole, iloc, idat;
    int hasIdat;
} File;

/* The data of item `id` as libheif assembles it: one span, or a copy in *owned when it has
 * several extents. 0 when the item has no data libheif could read. */
static int ItemData(const File* f, uint32_t id, Span* data, unsigned char** owned)
{
    Span s = f->iloc;
    uint64_t version, sizes, sizes2, count, item, method = 0, reference, base = 0, extents;
    size_t offsetSize, lengthSize, baseSize, indexSize;
    *owned = NULL;
    if (!Take(&s, 4, &version) || !Take(&s, 1, &sizes) || !Take(&s, 1, &sizes2)) return 0;
    version >>= 24;
    offsetSize = (size_t)(sizes >> 4);
    lengthSize = (size_t)(sizes & 15);
    baseSize = (size_t)(sizes2 >> 4);
    indexSize = version >= 1 ? (size_t)(sizes2 & 15) : 0;
    if (offsetSize > 8 || lengthSize > 8 || baseSize > 8 || indexSize > 8 || version > 2) return 0;
    if (!Take(&s, version < 2 ? 2 : 4, &count)) return 0;
    while (count-- > 0) {
        const Span* source;
        size_t total = 0;
        Span first = {NULL, 0};
        if (!Take(&s, version < 2 ? 2 : 4, &item)) return 0;
        if (version >= 1 && !Take(&s, 2, &method)) return 0;
        if (!Take(&s, 2, &reference) || !Take(&s, baseSize, &base) || !Take(&s, 2, &extents)) return 0;
        method &= 15;
        if (item != id) {
            const size_t stride = indexSize + offsetSize + lengthSize;
            if (stride > 0 && s.n / stride < extents) return 0;
            s.p += (size_t)extents * stride;
            s.n -= (size_t)extents * stride;
            continue;
        }
        /* libheif reads methods 0 and 1 and does not look at the data reference. */
        if (method > 1 || (method == 1 && !f->hasIdat) || extents == 0) return 0;
        source = method == 1 ? &f->idat : &f->whole;
        for (uint64_t e = 0; e < extents; ++e) {
            uint64_t index, offset, length;
            if (!Take(&s, indexSize, &index) || !Take(&s, offsetSize, &offset) || !Take(&s, lengthSize, &length))
                break;
            offset += base;
            if (offset < base || offset > source->n) break;
            if (length == 0) length = source->n - offset;
            if (length > source->n - offset) break;
            if (e == 0) {
                first.p = source->p + offset;
                first.n = (size_t)length;
                total = (size_t)length;
                if (extents == 1) {
                    *data = first;
                    return 1;
                }
                /* Never more than the file: extents naming the same bytes again gain nothing. */
                *owned = (unsigned char*)malloc(f->whole.n);
                if (!*owned) return 0;
                memcpy(*owned, first.p, first.n);
            } else {
                if (length > f->whole.n - total) break;
                memcpy(*owned + total, source->p + offset, (size_t)length);
                total += (size_t)length;
            }
            if (e + 1 == extents) {
                data->p = *owned;
                data->n = total;
                return 1;
            }
        }
        free(*owned);
        *owned = NULL;
        return 0;
    }
    return 0;
}

/* The output size of a grid or overlay item's data. */
static uint64_t CanvasArea(Span d, uint32_t type)
{
    uint64_t version, flags, skip, width, height;
    size_t bytes;
    if (!Take(&d, 1, &version) || !Take(&d, 1, &flags)) return 0;
    bytes = (flags & 1) ? 4 : 2;
    if (!Take(&d, type == FOURCC('g', 'r', 'i', 'd') ? 2 : 8, &skip)) return 0; /* rows/columns, fill values */
    if (!Take(&d, bytes, &width) || !Take(&d, bytes, &height)) return 0;
    return width * height;
}

int HeifDeclaredSizesFit(const unsigned char* file, size_t size, uint64_t maxPixels)
{
    File f;
    Span top = {file, size}, meta, iinf, iprp, ipco, box;
    uint32_t type;
    uint64_t entries;
    memset(&f, 0, sizeof f);
    f.whole = top;
    if (!FindBox(top, 0, FOURCC('m', 'e', 't', 'a'), &meta)) return 0;
    if (!FindBox(meta, 4, FOURCC('i', 'i', 'n', 'f'), &iinf) || !FindBox(meta, 4, FOURCC('i', 'l', 'o', 'c'), &f.iloc))
        return 0;
    f.hasIdat = FindBox(meta, 4, FOURCC('i', 'd', 'a', 't'), &f.idat);

    /* Every parameter set among the properties, whichever item it belongs to. */
    if (FindBox(meta, 4, FOURCC('i', 'p', 'r', 'p'), &iprp) && FindBox(iprp, 0, FOURCC('i', 'p', 'c', 'o'), &ipco))
        while (NextBox(&ipco, &type, &box)) {
            if (type == FOURCC('h', 'v', 'c', 'C') && HvccArea(box) > maxPixels) return 0;
            if (type == FOURCC('a', 'v', '1', 'C') && box.n > 4) {
                Span obus = {box.p + 4, box.n - 4};
                if (Av1ObusArea(obus) > maxPixels) return 0;
            }
        }

    /* Every image item whose data declares a size: grids, overlays, coded pictures. */
    {
        uint64_t version;
        Span entryList = iinf;
        if (!Take(&entryList, 4, &version) || !Take(&entryList, (version >> 24) == 0 ? 2 : 4, &entries)) return 0;
        while (NextBox(&entryList, &type, &box)) {
            uint64_t infeVersion, id, protection, itemType;
            Span e = box, data;
            unsigned char* owned;
            uint64_t area = 0;
            if (type != FOURCC('i', 'n', 'f', 'e') || !Take(&e, 4, &infeVersion)) continue;
            infeVersion >>= 24;
            if (infeVersion < 2 || !Take(&e, infeVersion == 2 ? 2 : 4, &id) || !Take(&e, 2, &protection) ||
                !Take(&e, 4, &itemType))
                continue;
            if (itemType != FOURCC('g', 'r', 'i', 'd') && itemType != FOURCC('i', 'o', 'v', 'l') &&
                itemType != FOURCC('h', 'v', 'c', '1') && itemType != FOURCC('a', 'v', '0', '1'))
                continue;
            /* Data read differently here than by libheif would let its sizes through unseen:
             * a picture item whose data cannot be followed here is not let through. */
            if (!ItemData(&f, (uint32_t)id, &data, &owned)) return 0;
            if (itemType == FOURCC('h', 'v', 'c', '1')) area = HevcDataArea(data);
            else if (itemType == FOURCC('a', 'v', '0', '1')) area = Av1ObusArea(data);
            else area = CanvasArea(data, (uint32_t)itemType);
            free(owned);
            if (area > maxPixels) return 0;
        }
    }
    return 1;
}
