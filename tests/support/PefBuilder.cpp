#include "support/PefBuilder.h"

#include "support/TiffBuilder.h"

#include <vector>

namespace {

struct Writer {
    bool big;
    QByteArray bytes;
    void U16(uint32_t v)
    {
        if (big)
            bytes.append(char(v >> 8)).append(char(v));
        else
            bytes.append(char(v)).append(char(v >> 8));
    }
    void U32(uint32_t v)
    {
        if (big) {
            U16(v >> 16);
            U16(v & 0xFFFF);
        } else {
            U16(v & 0xFFFF);
            U16(v >> 16);
        }
    }
    void Entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
    {
        U16(tag);
        U16(type);
        U32(count);
        if (type == 3 && count == 1) {   // a SHORT sits in the first two bytes of the field
            U16(value);
            U16(0);
        } else {
            U32(value);
        }
    }
};

} // namespace

QByteArray BuildPef(const PefSpec& s)
{
    Writer w{s.BigEndian, {}};
    w.bytes.append(s.BigEndian ? "MM" : "II");
    w.U16(42);
    w.U32(8);
    // Entries per directory: two placeholders in the first ones, the preview tags in the third.
    const int previewEntries = s.DuplicateOffset ? 3 : 2;
    std::vector<int> counts;
    for (int d = 0; d < s.Directories; ++d)
        counts.push_back(d == 2 ? previewEntries : 2);
    uint32_t end = 8;
    for (int c : counts)
        end += 2 + 12 * c + 4;
    const uint32_t offset = s.Offset.value_or(end);
    const uint32_t length = s.Length.value_or(static_cast<uint32_t>(s.Preview.size()));
    uint32_t at = 8;
    for (int d = 0; d < s.Directories; ++d) {
        at += 2 + 12 * counts[d] + 4;
        w.U16(counts[d]);
        if (d == 2) {
            if (s.DuplicateOffset)
                w.Entry(0x0201, 4, 1, offset + 1000);
            w.Entry(0x0201, 4, 1, offset);
            w.Entry(0x0202, 4, 1, length);
        } else {
            w.Entry(0x0100, 3, 1, 640);
            w.Entry(0x0101, 3, 1, 480);
        }
        w.U32(d + 1 < s.Directories ? at : 0);
    }
    w.bytes.append(s.Preview);
    w.bytes.append(QByteArray(s.TrailingBytes, '\x5A'));
    return w.bytes;
}

QByteArray BuildPefWithExif(const QByteArray& preview, bool bigEndian, std::optional<uint16_t> afPoint)
{
    ExifSpec spec = PhotoLikeSpec();
    spec.pentaxAfPoint = afPoint;
    spec.order = bigEndian ? TiffBuilder::Motorola : TiffBuilder::Intel;
    TiffBuilder b(spec.order);
    AddExifSpec(b, spec);
    const TiffBuilder::DirId second = b.AddChainDirectory();
    b.AddShort(second, 0x0100, 160);
    const TiffBuilder::DirId third = b.AddChainDirectory();
    const TiffBuilder::BlobId blob = b.AddBlob(FromQByteArray(preview));
    b.AddBlobPointer(third, 0x0201, blob);
    b.AddLong(third, 0x0202, static_cast<uint32_t>(preview.size()));
    return ToQByteArray(b.Build());
}
