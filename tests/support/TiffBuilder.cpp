#include "support/TiffBuilder.h"

#include "support/JpegBuilder.h"

#include <stdexcept>

namespace {

uint32_t Even(uint32_t v) { return (v + 1) & ~1u; }

} // namespace

TiffBuilder::TiffBuilder(Order order) : FOrder(order)
{
    FMark[0] = FMark[1] = order == Intel ? 'I' : 'M';
}

TiffBuilder::DirId TiffBuilder::AddChainDirectory()
{
    Directory d;
    d.chain = true;
    FDirs.push_back(d);
    return int(FDirs.size()) - 1;
}

TiffBuilder::DirId TiffBuilder::AddDirectory(const Bytes& prefix)
{
    Directory d;
    d.prefix = prefix;
    FDirs.push_back(d);
    return int(FDirs.size()) - 1;
}

TiffBuilder::BlobId TiffBuilder::AddBlob(const Bytes& data)
{
    FBlobs.push_back(data);
    return int(FBlobs.size()) - 1;
}

Bytes TiffBuilder::Encode16(uint16_t v) const
{
    Bytes b(2);
    Put16(b, 0, v);
    return b;
}

Bytes TiffBuilder::Encode32(uint32_t v) const
{
    Bytes b(4);
    Put32(b, 0, v);
    return b;
}

void TiffBuilder::Put16(Bytes& out, std::size_t at, uint16_t v) const
{
    if (FOrder == Intel) {
        out[at] = v & 0xFF;
        out[at + 1] = v >> 8;
    } else {
        out[at] = v >> 8;
        out[at + 1] = v & 0xFF;
    }
}

void TiffBuilder::Put32(Bytes& out, std::size_t at, uint32_t v) const
{
    if (FOrder == Intel) {
        Put16(out, at, v & 0xFFFF);
        Put16(out, at + 2, v >> 16);
    } else {
        Put16(out, at, v >> 16);
        Put16(out, at + 2, v & 0xFFFF);
    }
}

void TiffBuilder::AddBytes(DirId dir, uint16_t tag, uint16_t type, uint32_t count, const Bytes& value)
{
    Entry e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    if (value.size() <= 4) {
        e.kind = Kind::Field;
        e.bytes = value;
        e.bytes.resize(4, 0);
    } else {
        e.kind = Kind::Data;
        e.bytes = value;
    }
    FDirs.at(dir).entries.push_back(e);
}

void TiffBuilder::AddShort(DirId dir, uint16_t tag, uint16_t value)
{
    AddBytes(dir, tag, Short, 1, Encode16(value));
}

void TiffBuilder::AddShorts(DirId dir, uint16_t tag, const std::vector<uint16_t>& values)
{
    Bytes b;
    for (uint16_t v : values) {
        const Bytes e = Encode16(v);
        b.insert(b.end(), e.begin(), e.end());
    }
    AddBytes(dir, tag, Short, uint32_t(values.size()), b);
}

void TiffBuilder::AddLong(DirId dir, uint16_t tag, uint32_t value)
{
    AddBytes(dir, tag, Long, 1, Encode32(value));
}

void TiffBuilder::AddRational(DirId dir, uint16_t tag, uint32_t n, uint32_t d)
{
    Bytes b = Encode32(n);
    const Bytes db = Encode32(d);
    b.insert(b.end(), db.begin(), db.end());
    AddBytes(dir, tag, Rational, 1, b);
}

void TiffBuilder::AddSRational(DirId dir, uint16_t tag, int32_t n, int32_t d)
{
    Bytes b = Encode32(uint32_t(n));
    const Bytes db = Encode32(uint32_t(d));
    b.insert(b.end(), db.begin(), db.end());
    AddBytes(dir, tag, SRational, 1, b);
}

void TiffBuilder::AddAscii(DirId dir, uint16_t tag, const std::string& text, bool terminate)
{
    Bytes b(text.begin(), text.end());
    if (terminate)
        b.push_back(0);
    AddBytes(dir, tag, Ascii, uint32_t(b.size()), b);
}

void TiffBuilder::AddRawField(DirId dir, uint16_t tag, uint16_t type, uint32_t count,
                              std::array<unsigned char, 4> field)
{
    Entry e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    e.kind = Kind::Field;
    e.bytes.assign(field.begin(), field.end());
    FDirs.at(dir).entries.push_back(e);
}

void TiffBuilder::AddRawValue(DirId dir, uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
{
    const Bytes b = Encode32(value);
    AddRawField(dir, tag, type, count, {b[0], b[1], b[2], b[3]});
}

void TiffBuilder::AddDirectoryPointer(DirId dir, uint16_t tag, DirId target)
{
    Entry e;
    e.tag = tag;
    e.type = Long;
    e.count = 1;
    e.kind = Kind::DirRef;
    e.ref = target;
    FDirs.at(dir).entries.push_back(e);
}

void TiffBuilder::AddBlobPointer(DirId dir, uint16_t tag, BlobId blob)
{
    Entry e;
    e.tag = tag;
    e.type = Long;
    e.count = 1;
    e.kind = Kind::BlobRef;
    e.ref = blob;
    FDirs.at(dir).entries.push_back(e);
}

void TiffBuilder::SetNextDirectory(DirId dir, DirId target) { FDirs.at(dir).nextDir = target; }
void TiffBuilder::SetNextRaw(DirId dir, uint32_t value) { FDirs.at(dir).nextRaw = value; }
void TiffBuilder::SetFirstDirectoryRaw(uint32_t value) { FFirstRaw = value; }
void TiffBuilder::SetStoredCount(DirId dir, uint16_t count) { FDirs.at(dir).storedCount = count; }

void TiffBuilder::SetHeaderMark(unsigned char b0, unsigned char b1)
{
    FMark[0] = b0;
    FMark[1] = b1;
}

TiffBuilder::Layout TiffBuilder::MakeLayout() const
{
    Layout l;
    uint32_t pos = 8;
    for (const Directory& d : FDirs) {
        pos = Even(pos);
        l.prefixAt.push_back(pos);
        pos += uint32_t(d.prefix.size());
        l.dirAt.push_back(pos);
        pos += 2 + 12 * uint32_t(d.entries.size()) + 4;
        std::vector<uint32_t> data;
        for (const Entry& e : d.entries) {
            if (e.kind == Kind::Data) {
                pos = Even(pos);
                data.push_back(pos);
                pos += uint32_t(e.bytes.size());
            } else {
                data.push_back(0);
            }
        }
        l.dataAt.push_back(data);
    }
    for (const Bytes& b : FBlobs) {
        pos = Even(pos);
        l.blobAt.push_back(pos);
        pos += uint32_t(b.size());
    }
    l.size = pos;
    return l;
}

uint32_t TiffBuilder::DirectoryOffset(DirId dir) const { return MakeLayout().dirAt.at(dir); }
uint32_t TiffBuilder::BlobOffset(BlobId blob) const { return MakeLayout().blobAt.at(blob); }

Bytes TiffBuilder::Build() const
{
    const Layout l = MakeLayout();
    Bytes out(l.size, 0);
    out[0] = FMark[0];
    out[1] = FMark[1];
    Put16(out, 2, 42);

    std::vector<int> chain;
    for (int i = 0; i < int(FDirs.size()); ++i)
        if (FDirs[i].chain)
            chain.push_back(i);
    Put32(out, 4, FFirstRaw ? *FFirstRaw : chain.empty() ? 0 : l.dirAt[chain.front()]);

    for (int i = 0; i < int(FDirs.size()); ++i) {
        const Directory& d = FDirs[i];
        std::copy(d.prefix.begin(), d.prefix.end(), out.begin() + l.prefixAt[i]);
        uint32_t at = l.dirAt[i];
        Put16(out, at, d.storedCount ? *d.storedCount : uint16_t(d.entries.size()));
        at += 2;
        for (std::size_t k = 0; k < d.entries.size(); ++k, at += 12) {
            const Entry& e = d.entries[k];
            Put16(out, at, e.tag);
            Put16(out, at + 2, e.type);
            Put32(out, at + 4, e.count);
            switch (e.kind) {
            case Kind::Field:
                std::copy(e.bytes.begin(), e.bytes.end(), out.begin() + at + 8);
                break;
            case Kind::Data:
                Put32(out, at + 8, l.dataAt[i][k]);
                std::copy(e.bytes.begin(), e.bytes.end(), out.begin() + l.dataAt[i][k]);
                break;
            case Kind::DirRef:
                Put32(out, at + 8, l.prefixAt.at(e.ref));
                break;
            case Kind::BlobRef:
                Put32(out, at + 8, l.blobAt.at(e.ref));
                break;
            }
        }
        uint32_t next = 0;
        if (d.nextRaw) {
            next = *d.nextRaw;
        } else if (d.nextDir) {
            next = l.dirAt.at(*d.nextDir);
        } else if (d.chain) {
            for (std::size_t c = 0; c + 1 < chain.size(); ++c)
                if (chain[c] == i)
                    next = l.dirAt[chain[c + 1]];
        }
        Put32(out, at, next);
    }
    for (std::size_t b = 0; b < FBlobs.size(); ++b)
        std::copy(FBlobs[b].begin(), FBlobs[b].end(), out.begin() + l.blobAt[b]);
    return out;
}

ExifSpec PhotoLikeSpec()
{
    ExifSpec s;
    s.model = "PENTAX *ist D";
    s.exposure = ExifRational{1, 125};
    s.fnumber = ExifRational{56, 10};
    s.focal = ExifRational{500, 10};
    s.focal35 = 75;
    s.iso = 200;
    s.bias = ExifSRational{-1, 3};
    s.program = 3;
    s.metering = 5;
    s.flash = 0x10;
    s.whiteBalance = 0;
    s.dateTime = "2004:05:06 07:08:09";
    s.pentaxFocusMode = 16;
    s.pentaxLens = PentaxLens{3, 32};
    return s;
}

ExifDirIds AddExifSpec(TiffBuilder& b, const ExifSpec& s)
{
    ExifDirIds ids;
    ids.ifd0 = b.AddChainDirectory();
    if (s.model)
        b.AddAscii(ids.ifd0, 0x0110, *s.model);
    if (!s.exifDirectory)
        return ids;
    ids.exif = b.AddDirectory();
    b.AddDirectoryPointer(ids.ifd0, 0x8769, ids.exif);
    const int e = ids.exif;
    if (s.exposure)
        b.AddRational(e, 0x829A, s.exposure->n, s.exposure->d);
    if (s.fnumber)
        b.AddRational(e, 0x829D, s.fnumber->n, s.fnumber->d);
    if (s.program)
        b.AddShort(e, 0x8822, *s.program);
    if (s.iso)
        b.AddShort(e, 0x8827, *s.iso);
    if (s.dateTime)
        b.AddAscii(e, 0x9003, *s.dateTime);
    if (s.bias)
        b.AddSRational(e, 0x9204, s.bias->n, s.bias->d);
    if (s.metering)
        b.AddShort(e, 0x9207, *s.metering);
    if (s.flash)
        b.AddShort(e, 0x9209, *s.flash);
    if (s.focal)
        b.AddRational(e, 0x920A, s.focal->n, s.focal->d);
    if (s.whiteBalance)
        b.AddShort(e, 0xA403, *s.whiteBalance);
    if (s.focal35)
        b.AddShort(e, 0xA405, *s.focal35);
    if (s.makerNote || s.pentaxFocusMode || s.pentaxLens || s.pentaxAfPoint) {
        Bytes header(s.makerNoteHeader.begin(), s.makerNoteHeader.end());
        ids.maker = b.AddDirectory(header);
        b.AddDirectoryPointer(e, 0x927C, ids.maker);
        if (s.pentaxFocusMode)
            b.AddShort(ids.maker, 0x000D, *s.pentaxFocusMode);
        if (s.pentaxLens)
            b.AddBytes(ids.maker, 0x003F, TiffBuilder::Byte, 2, {s.pentaxLens->group, s.pentaxLens->number});
        if (s.pentaxAfPoint)
            b.AddShort(ids.maker, 0x000E, *s.pentaxAfPoint);
    }
    return ids;
}

Bytes BuildExifTiff(const ExifSpec& spec)
{
    TiffBuilder b(spec.order);
    AddExifSpec(b, spec);
    return b.Build();
}

Bytes BuildMakerNoteTiff(const MakerNoteSpec& spec)
{
    TiffBuilder b(spec.order);
    const auto ifd0 = b.AddChainDirectory();
    b.AddAscii(ifd0, 0x010F, spec.make);
    b.AddAscii(ifd0, 0x0110, spec.model);
    const auto exif = b.AddDirectory();
    b.AddDirectoryPointer(ifd0, 0x8769, exif);
    if (spec.exifSize) {
        b.AddLong(exif, 0xA002, spec.exifSize->first);
        b.AddLong(exif, 0xA003, spec.exifSize->second);
    }
    const Bytes header(spec.header.begin(), spec.header.end());
    if (spec.base == MakerNoteSpec::Tiff) {
        const auto note = b.AddDirectory(header);
        b.AddDirectoryPointer(exif, 0x927C, note);
        spec.fill(b, note);
        return b.Build();
    }
    TiffBuilder inner(spec.order);
    Bytes note;
    if (spec.base == MakerNoteSpec::OwnTiff) {
        spec.fill(inner, inner.AddChainDirectory());
        note = header;
        const Bytes tiff = inner.Build();
        note.insert(note.end(), tiff.begin(), tiff.end());
    } else {
        // The directory lands right after the header: its room is the prefix after the
        // 8 bytes of TIFF header, which the makernote's own header then replaces.
        spec.fill(inner, inner.AddDirectory(Bytes(header.size() - 8, 0)));
        note = inner.Build();
        std::copy(header.begin(), header.end(), note.begin());
    }
    b.AddBlobPointer(exif, 0x927C, b.AddBlob(note));
    return b.Build();
}

Bytes MakeApp1Segment(const Bytes& payload)
{
    if (payload.size() + 2 > 0xFFFF)
        throw std::length_error("APP1 payload too large for one segment");
    const std::size_t len = payload.size() + 2;
    Bytes out = {0xFF, 0xE1, (unsigned char)(len >> 8), (unsigned char)(len & 0xFF)};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes MakeExifApp1(const Bytes& tiff)
{
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return MakeApp1Segment(payload);
}

Bytes MakeJpegShell(const std::vector<Bytes>& segments)
{
    Bytes out = {0xFF, 0xD8};
    for (const Bytes& s : segments)
        out.insert(out.end(), s.begin(), s.end());
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

Bytes InsertExifIntoJpeg(const Bytes& jpeg, const Bytes& tiff)
{
    if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != 0xD8)
        throw std::invalid_argument("not a JPEG: no SOI marker");
    const Bytes app1 = MakeExifApp1(tiff);
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

QByteArray JpegWithDistantHeaders(const QByteArray& jpeg, ExifSpec spec, int padding,
                                  const std::optional<std::string>& model, int trailer)
{
    spec.model.reset();
    const auto modelBytes = model ? uint32_t(model->size() + 1) : 0u;
    const auto tiffWithModelAt = [&](uint32_t offset) {
        TiffBuilder b(spec.order);
        const ExifDirIds ids = AddExifSpec(b, spec);
        if (model)
            b.AddRawValue(ids.ifd0, 0x0110, TiffBuilder::Ascii, modelBytes, offset);
        return b.Build();
    };
    const auto tiffSize = uint32_t(tiffWithModelAt(0).size());
    const QByteArray text = model ? QByteArray(model->c_str(), qsizetype(modelBytes)) : QByteArray();

    QByteArray out = jpeg;
    if (model && trailer < 0)
        out = JpegBuilder::InsertSegment(out, 0xFE, text);
    for (int left = padding; left > 0; left -= 65000)
        out = JpegBuilder::InsertSegment(out, 0xE2, QByteArray(std::min(left, 65000), 'p'));
    if (model && trailer >= 0)
        out += QByteArray(trailer, 't') + text;
    // Offsets count from the TIFF header, behind SOI, the APP1 header and "Exif\0\0"; the
    // APP1 segment is put in front of everything built so far.
    const uint32_t textAt = uint32_t(out.indexOf(text, trailer < 0 ? 0 : out.size() - text.size()));
    const uint32_t textOffset = textAt + tiffSize - 2;
    return JpegBuilder::InsertApp1(out, JpegBuilder::ExifBody(ToQByteArray(tiffWithModelAt(textOffset))));
}

QByteArray ToQByteArray(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

Bytes FromQByteArray(const QByteArray& bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}
