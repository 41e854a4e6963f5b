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
    return TPictureType::Plugin;
}
