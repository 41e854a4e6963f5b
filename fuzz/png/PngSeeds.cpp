// Writes the seed corpus of the PNG fuzzer: one small picture per colour type and depth.
#include "tests/plugins/PngWriter.h"

#include <QDir>
#include <QFile>

#include <png.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    struct Kind {
        int type;
        int depths[5];
    };
    const Kind kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
        {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    int written = 0;
    for (const Kind& k : kinds)
        for (int depth : k.depths) {
            if (!depth) break;
            for (bool interlaced : {false, true}) {
                PngSpec s;
                s.width = 5;
                s.height = 4;
                s.colourType = k.type;
                s.bitDepth = depth;
                s.interlaced = interlaced;
                const int channels = PngChannels(k.type);
                const int top = k.type == PNG_COLOR_TYPE_PALETTE ? 1 : (1 << depth) - 1;
                if (k.type == PNG_COLOR_TYPE_PALETTE) {
                    s.palette = {{255, 0, 0}, {0, 0, 255}};
                    s.paletteAlpha = {128};
                }
                s.sample = [=](int x, int y) { return std::vector<uint16_t>(channels, uint16_t((x + y) % (top + 1))); };
                const QByteArray png = WritePng(s);
                QFile out(QStringLiteral("%1/seed-%2-%3%4.png").arg(folder).arg(k.type).arg(depth).arg(interlaced ? "i" : ""));
                if (out.open(QIODevice::WriteOnly) && out.write(png) == png.size()) ++written;
            }
        }
    std::printf("%d seeds\n", written);
    return 0;
}
