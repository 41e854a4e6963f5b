#include "loading/PictureName.h"

TPictureType ClassifyPicture(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || (name.rfind('/') != std::string_view::npos && dot < name.rfind('/')))
        return TPictureType::None;
    // The names we know are ASCII; any other byte makes an extension nobody built in.
    const std::string_view ext = name.substr(dot);
    const auto is = [&](std::string_view known) {
        if (ext.size() != known.size())
            return false;
        for (std::size_t i = 0; i < ext.size(); ++i) {
            const char c = ext[i] >= 'a' && ext[i] <= 'z' ? char(ext[i] - 'a' + 'A') : ext[i];
            if (c != known[i])
                return false;
        }
        return true;
    };
    if (is(".JPEG") || is(".JPG"))
        return TPictureType::Jpeg;
    if (is(".PEF"))
        return TPictureType::Pef;
    if (is(".BMP") || is(".ICO") || is(".WMF") || is(".EMF"))
        return TPictureType::Bmp;
    static constexpr std::string_view camera[] = {
        ".CR2", ".CR3", ".CRW", ".NEF", ".NRW", ".ARW", ".SR2", ".SRF", ".ORF", ".ORI", ".RW2",
        ".RWL", ".RAW", ".RAF", ".DNG", ".SRW", ".3FR", ".FFF", ".IIQ", ".ERF", ".MEF", ".MOS",
        ".MRW", ".X3F", ".KDC", ".DCR", ".K25", ".GPR", ".HEIC", ".HEIF", ".HIF"};
    for (const std::string_view known : camera)
        if (is(known))
            return TPictureType::Camera;
    if (is(".TIF") || is(".TIFF") || is(".WEBP") || is(".PNG"))
        return TPictureType::Shipped;
    return TPictureType::Plugin;
}
