#pragma once
// The libjpeg decompressor shared by the picture decoder and the header-only size probe:
// its error manager, which longjmps back to a setjmp in a function holding only plain
// locals, and the first steps of every decode.
#include "loading/JpegDecoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace jpegcore {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnErrorExit(j_common_ptr cinfo);
void OnMessage(j_common_ptr cinfo, int level);

// Owns the decompressor; every way out of a decode destroys it.
struct Decompressor {
    Decompressor()
    {
        jpeg_std_error(&err.pub);
        err.pub.error_exit = OnErrorExit;
        err.pub.emit_message = OnMessage;
        std::strcpy(err.message, "unknown JPEG failure");
        cinfo.err = &err.pub;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
};

enum class Mode { Header, Best, Fast };

// Creates the decompressor over the bytes and reads the header; for a decode mode also
// sets the output up. False when libjpeg failed (the message is in d->err).
bool BeginDecode(Decompressor* d, const unsigned char* data, std::size_t length, Mode mode,
                 int scaleDenom);

[[noreturn]] void Fail(const Decompressor& d);

} // namespace jpegcore
