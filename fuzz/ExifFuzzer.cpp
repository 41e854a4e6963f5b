// Feeds arbitrary bytes to the Exif reader both as a JPEG file and as a bare TIFF
// structure (the PEF road), and builds every text from what it finds.
#include "exif/AfAreas.h"
#include "exif/Exifana.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace {

void Exercise(TExifRoot& r, const unsigned char* origin, std::size_t length)
{
    r.Parse(origin, length);
    volatile std::size_t sink = MakeSummaryText(r).size();
    const TChooserTexts t = MakeChooserTexts(r);
    sink = sink + t.ShotDate.size() + t.ShotExposure.size() + t.ShotCamera.size();
    // The AF areas for the usual shape, a mismatched one and a degenerate one.
    for (const auto& [w, h] : {std::pair{3008, 2008}, std::pair{2000, 2000}, std::pair{1, 1}})
        sink = sink + ReadAfAreas(r, w, h).size();
    char buf[256];
    for (int i = 0; i < r.DirectoryCount; ++i) {
        // What the PEF preview and the chooser read from the chain.
        for (uint16_t tag : {uint16_t(0x0201), uint16_t(0x0202), uint16_t(0x0110)}) {
            if (const unsigned char* e = r.FindEntry(r.Dirs[i], tag))
                sink = sink + r.EntryValue(e) + r.EntryCount(e) + r.EntryType(e);
            if (r.GetString(r.Dirs[i], tag, buf))
                sink = sink + std::strlen(buf);
        }
    }
    (void)sink;
}

// Probes trust a parse of the first bytes unless the reader says it ran past them: a cut
// that does not say so must give the same texts as the whole.
void CheckCut(const unsigned char* origin, std::size_t length, std::size_t cut)
{
    TExifRootPENTAXistD whole, head;
    whole.Parse(origin, length);
    head.Parse(origin, cut);
    const std::string summary = MakeSummaryText(head);
    const TChooserTexts t = MakeChooserTexts(head);
    if (head.RanPastEnd)
        return;
    const TChooserTexts w = MakeChooserTexts(whole);
    if (summary != MakeSummaryText(whole) || t.ShotDate != w.ShotDate || t.ShotExposure != w.ShotExposure ||
        t.ShotCamera != w.ShotCamera)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    {
        TExifRootPENTAXistD r;
        Exercise(r, data, size);
    }
    CheckCut(data, size, size / 2);
    if (const unsigned char* tiff = FindExifBlock(data, size)) {
        TExifRootPENTAXistD r;
        Exercise(r, tiff, size - std::size_t(tiff - data));
        TExifRoot base;
        Exercise(base, tiff, size - std::size_t(tiff - data));
    }
    return 0;
}
