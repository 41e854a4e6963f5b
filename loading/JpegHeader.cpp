#include "loading/JpegCore.h"

#include <jerror.h>

namespace jpegcore {

[[noreturn]] void OnErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings stay quiet, except running out of data: libjpeg would pad the rest of a
// cut file with grey, and we would show that as if it were the picture.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        if (cinfo->err->msg_code == JWRN_JPEG_EOF)
            OnErrorExit(cinfo);
        cinfo->err->num_warnings++;
    }
}

// The functions below hold setjmp and plain locals only: longjmp skips no destructor.
bool BeginDecode(Decompressor* d, const unsigned char* data, std::size_t length, Mode mode,
                 int scaleDenom)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->cinfo);
    jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(length));
    jpeg_read_header(&d->cinfo, TRUE);
    if (mode == Mode::Header)
        return true;
    d->cinfo.out_color_space = JCS_EXT_BGR;
    if (mode == Mode::Best) {
        d->cinfo.dct_method = JDCT_FLOAT;
        d->cinfo.do_block_smoothing = TRUE;
    } else {
        d->cinfo.dct_method = JDCT_IFAST;
        d->cinfo.scale_num = 1;
        d->cinfo.scale_denom = static_cast<unsigned int>(scaleDenom);
    }
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

[[noreturn]] void Fail(const Decompressor& d)
{
    throw EJpegError(d.err.message);
}

} // namespace jpegcore

using namespace jpegcore;

QSize ReadJpegSize(const unsigned char* data, std::size_t length)
{
    if (data == nullptr)
        length = 0;
    Decompressor d;
    if (!BeginDecode(&d, data, length, Mode::Header, 1))
        Fail(d);
    return QSize(static_cast<int>(d.cinfo.image_width), static_cast<int>(d.cinfo.image_height));
}
