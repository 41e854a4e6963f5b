#include "support/BmpBuilder.h"

#include <stdexcept>

namespace {

void Put16(QByteArray& b, uint32_t v)
{
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

QByteArray PixelData(const BmpSpec& s)
{
    if (!s.RawData.isEmpty())
        return s.RawData;
    if (s.Pixels.size() != static_cast<std::size_t>(s.Width) * s.Height)
        throw std::invalid_argument("pixel count does not match the size");
    const int stride = (s.Width * s.Bits + 31) / 32 * 4;
    QByteArray data;
    for (int i = 0; i < s.Height; ++i) {
        const int y = s.TopDown ? i : s.Height - 1 - i;
        QByteArray row(stride, '\0');
        for (int x = 0; x < s.Width; ++x) {
            const uint32_t v = s.Pixels[static_cast<std::size_t>(y) * s.Width + x];
            switch (s.Bits) {
            case 1: row[x / 8] = char(row[x / 8] | ((v & 1) << (7 - x % 8))); break;
            case 4: row[x / 2] = char(row[x / 2] | ((v & 15) << ((x & 1) ? 0 : 4))); break;
            case 8: row[x] = char(v); break;
            case 16: row[2 * x] = char(v); row[2 * x + 1] = char(v >> 8); break;
            case 24:
                row[3 * x] = char(v);
                row[3 * x + 1] = char(v >> 8);
                row[3 * x + 2] = char(v >> 16);
                break;
            default:
                for (int k = 0; k < 4; ++k)
                    row[4 * x + k] = char(v >> (8 * k));
            }
        }
        data += row;
    }
    return data;
}

} // namespace

QByteArray BuildBmp(const BmpSpec& s)
{
    QByteArray header;
    Put32(header, s.HeaderKind);
    if (s.HeaderKind == BmpSpec::Core) {
        Put16(header, s.Width);
        Put16(header, s.Height);
        Put16(header, 1);
        Put16(header, s.Bits);
    } else {
        Put32(header, static_cast<uint32_t>(s.Width));
        Put32(header, static_cast<uint32_t>(s.TopDown ? -s.Height : s.Height));
        Put16(header, 1);
        Put16(header, s.Bits);
        Put32(header, s.Compression);
        Put32(header, 0);                                    // image size
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, static_cast<uint32_t>(s.Palette.size()));
        Put32(header, 0);
        if (s.HeaderKind != BmpSpec::Info) {
            for (uint32_t m : s.Masks)
                Put32(header, m);
            Put32(header, 0);                                // alpha mask
            header.append(QByteArray(s.HeaderKind - header.size(), '\0'));
        } else if (s.Compression == 3) {
            for (uint32_t m : s.Masks)
                Put32(header, m);
        }
    }
    QByteArray palette;
    for (QRgb c : s.Palette) {
        palette.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (s.HeaderKind != BmpSpec::Core)
            palette.append('\0');
    }
    const QByteArray data = PixelData(s);
    const uint32_t offset = static_cast<uint32_t>(14 + header.size() + palette.size());
    QByteArray file("BM");
    Put32(file, offset + static_cast<uint32_t>(data.size()));
    Put32(file, 0);
    Put32(file, offset);
    return file + header + palette + data;
}
