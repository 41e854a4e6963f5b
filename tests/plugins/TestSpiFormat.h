#pragma once
// The tiny picture format of the test plug-ins, shared by them and the tests.
#include <cstdint>

#pragma pack(push, 1)
struct TestSpiHead {
    char magic[4];
    int32_t width;
    int32_t height;
    uint8_t mode;
};
#pragma pack(pop)

struct TestSpiColour {
    uint8_t r, g, b;
};

// Entry i of the palette plug-in's table; shift tells two builds of it apart.
inline TestSpiColour TestPaletteColour(int i, int shift)
{
    static const TestSpiColour base[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    TestSpiColour c = base[i];
    c.g = static_cast<uint8_t>(c.g ^ shift);
    return c;
}

inline TestSpiColour TestTopDownColour(int x, int y)
{
    return {static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 40), 200};
}

enum class MalformedMode : uint8_t {
    NullHeader = 1,
    NullBits,
    HeaderLargerThanBlock,
    TableBeyondBlock,
    BitsTooShort,
    HeightDisagrees,
};
