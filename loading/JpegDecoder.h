#pragma once
// JPEG decoding from bytes in memory straight into Format_BGR888 scan lines.
// libjpeg's errors never cross C++ frames: each libjpeg call runs behind a setjmp
// in a small function, and a failure comes out here as EJpegError.
#include <QImage>
#include <QSize>
#include <cstddef>
#include <stdexcept>

class EJpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Largest picture we agree to hold (pixels); a header promising more is refused
// before anything is allocated.
constexpr long long JpegPixelLimit = 1LL << 28;

// The viewer's decode: full size, floating-point inverse DCT, block smoothing on.
// A cut file (premature end of data) is a failure, not a half grey picture.
QImage DecodeJpegBest(const unsigned char* data, std::size_t length);

// The chooser's decode: fast integer inverse DCT, reduced by scaleDenom (1, 2, 4 or 8).
QImage DecodeJpegReduced(const unsigned char* data, std::size_t length, int scaleDenom);

// Size of the full picture from the header alone; nothing is decoded.
QSize ReadJpegSize(const unsigned char* data, std::size_t length);
