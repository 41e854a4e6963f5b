// velumira-info FILE...            path, tab, the viewer panel's text line
// velumira-info --chooser FILE...  path, tab, the chooser's date, exposure and camera texts
// velumira-info --af FILE...       path, tab, the AF areas as x,y,w,h separated by blanks, or -
// velumira-info --focus FILE...    path, tab, the sharpness figure of the whole picture
// Sizes come from the headers; no pixels are decoded where the header tells the size.
// Formats the viewer opens through its plug-ins (raw files of other makers, HEIC, TIFF,
// WebP, PNG) are read through the shipped plug-ins, loaded only when such a file is named.
// The header modes use no Qt: over a thousand files most of a run is the start-up, and
// QtCore alone triples it. --focus decodes pictures in a module loaded for it alone.
#include "exif/AfAreas.h"
#include "exif/Exifana.h"
#include "loading/FileHead.h"
#include "loading/JpegFile.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "loading/PanelLine.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"
#include "loading/PictureProbe.h"
#include "loading/SpiLibrary.h"
#include "tools/info/FocusModule.h"
#include "tools/info/OrderedRun.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

// A PEF keeps its shooting directories near the start; the preview and raw data follow.
constexpr std::size_t PefHeadBytes = 64 * 1024;

// path, then each field after a tab; one line with its newline.
std::string Line(const std::string& path, std::initializer_list<const std::string*> fields = {})
{
    std::string line = path;
    for (const std::string* field : fields)
        line.append(1, '\t').append(*field);
    return line += '\n';
}

TFileLine Failed(const std::string& path, const std::string& message)
{
    return Failure(Line(path, {&message}));
}

TFileLine PanelLine(const std::string& path)
{
    try {
        const std::string text = PanelText(ProbePictureFile(path));
        return Printed(Line(path, {&text}));
    } catch (const EStreamError& e) {
        return Failed(path, e.what());
    }
}

// A raw file of another maker or a HEIC: the Exif block the shipped plug-in hands over (the
// plug-ins are loaded at the first such file).
TFileLine PluginChooserLine(const std::string& path)
{
    const std::shared_ptr<TSpiLibrary> library = SpiFor(ShippedSpiLibraries(), path);
    const std::vector<unsigned char> exif = library ? SpiExifBlock(*library, path) : std::vector<unsigned char>();
    if (exif.size() < 8)
        return Printed(Line(path));
    TExifRootPENTAXistD reader;
    reader.Parse(exif.data(), exif.size(), 8);
    const TChooserTexts t = MakeChooserTexts(reader);
    return Printed(Line(path, {&t.ShotDate, &t.ShotExposure, &t.ShotCamera}));
}

// Parses the Exif block among a JPEG's first segments (reading on while it runs past them)
// and calls use(reader) for it; found says whether there was one. False when the file cannot
// be read.
template <class Reader, class Use>
bool ParseJpegExif(const std::string& path, int depth, bool& found, Use use)
{
    found = false;
    return WithFileHead(path, FileHeadBytes, JpegHeadExtent, JpegMetadataRoom, [&](const THeadBytes& b) {
        const unsigned char* tiff = FindExifBlock(b.Data, b.Length);
        found = tiff != nullptr;
        if (!found)
            return true;
        Reader reader;
        reader.Parse(tiff, b.Length - static_cast<std::size_t>(tiff - b.Data), depth);
        use(reader);
        return b.Final || !reader.RanPastEnd;
    });
}

// As the chooser's reader: the Exif block of a JPEG, or the PEF file's own TIFF structure.
TFileLine ChooserLine(const std::string& path)
{
    const TPictureType type = ClassifyPicture(path);
    const bool jpeg = type == TPictureType::Jpeg;
    const bool pef = type == TPictureType::Pef;
    if (type == TPictureType::Camera)
        return PluginChooserLine(path);
    if (!jpeg && !pef)
        return Printed(Line(path));
    // The texts come from the first bytes where those hold the whole Exif structure; a
    // JPEG's Exif block lies among its first segments, a PEF's directories are read on
    // only as far as they point inside the file.
    bool hasTexts = false;
    TChooserTexts t;
    bool opened = true;
    if (pef) {
        TMappedFile file;
        TExifRootPENTAXistD reader;
        opened = MapFile(file, path, PefHeadBytes) != nullptr &&
                 ParseFileTiff(file, reader, [&] { t = MakeChooserTexts(reader); });
        hasTexts = opened;
    } else {
        opened = ParseJpegExif<TExifRootPENTAXistD>(path, 8, hasTexts, [&](const TExifRootPENTAXistD& reader) {
            t = MakeChooserTexts(reader);
        });
    }
    if (!opened)
        return Failed(path, (jpeg ? MissingJpeg(path) : UnopenablePef(path)).what());
    if (!hasTexts)
        return Printed(Line(path));
    return Printed(Line(path, {&t.ShotDate, &t.ShotExposure, &t.ShotCamera}));
}

// The AF areas for the picture's size as the panel line gives it, from the JPEG's Exif block,
// the PEF file's own TIFF structure or a plug-in's Exif export; the panel line's failures.
TFileLine AfLine(const std::string& path)
{
    try {
        const TPictureProbe probe = ProbePictureFile(path);
        const int w = probe.Size.width(), h = probe.Size.height();
        std::vector<TAfArea> areas;
        const TPictureType type = ClassifyPicture(path);
        if (type == TPictureType::Jpeg) {
            bool found = false;
            ParseJpegExif<TExifRoot>(path, 1, found, [&](const TExifRoot& reader) { areas = ReadAfAreas(reader, w, h); });
        } else if (type == TPictureType::Pef) {
            TMappedFile file;
            TExifRoot reader;
            if (MapFile(file, path, PefHeadBytes) != nullptr)
                ParseFileTiff(file, reader, [&] { areas = ReadAfAreas(reader, w, h); });
        } else if (type == TPictureType::Camera || type == TPictureType::Shipped) {
            // As the viewer: the Exif block the plug-in hands over, if it has the export.
            if (const std::shared_ptr<TSpiLibrary> library = SpiFor(ShippedSpiLibraries(), path)) {
                const std::vector<unsigned char> exif = SpiExifBlock(*library, path);
                areas = ReadAfAreas(exif.data(), exif.size(), w, h);
            }
        }
        const std::string text = AfAreasText(areas);
        return Printed(Line(path, {&text}));
    } catch (const EStreamError& e) {
        return Failed(path, e.what());
    }
}

// The module beside this program (build tree) or in the installed layout; exit status 2
// with the loader's reason when it cannot be loaded.
int RunFocusModule(int count, char** names)
{
    // Only from the program's own folder: never a path relative to the working folder.
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self);
    std::string folder = n > 0 && n < ssize_t(sizeof self) ? std::string(self, static_cast<std::size_t>(n)) : std::string();
    folder = folder.substr(0, folder.rfind('/') + 1);
    std::string reason;
    for (const char* relative : {"", "../lib/velumira/"}) {
        if (folder.empty() || folder[0] != '/')
            break;
        const std::string path = folder + relative + VELUMIRA_INFO_FOCUS_MODULE;
        if (access(path.c_str(), F_OK) != 0)
            continue;
        if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (auto run = reinterpret_cast<TVelumiraInfoFocus>(dlsym(module, "VelumiraInfoFocus")))
                return run(count, names);
        }
        reason = dlerror();
        break;
    }
    if (reason.empty())
        reason = "no " VELUMIRA_INFO_FOCUS_MODULE " beside velumira-info or in ../lib/velumira";
    std::fprintf(stderr, "velumira-info: --focus cannot be used: %s\n", reason.c_str());
    return 2;
}

enum class TMode { Panel, Chooser, Af };

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    TMode mode = TMode::Panel;
    if (argc > 1 && std::strcmp(argv[1], "--chooser") == 0) {
        mode = TMode::Chooser;
        first = 2;
    } else if (argc > 1 && std::strcmp(argv[1], "--af") == 0) {
        mode = TMode::Af;
        first = 2;
    } else if (argc > 2 && std::strcmp(argv[1], "--focus") == 0) {
        return RunFocusModule(argc - 2, argv + 2);
    }
    if (first >= argc || (mode == TMode::Panel && std::strcmp(argv[1], "--focus") == 0)) {
        std::fputs("usage: velumira-info [--chooser | --af | --focus] FILE...\n", stderr);
        return 2;
    }
    // A file costs about 10 microseconds, mostly in the kernel: long runs use every core.
    const int count = argc - first;
    const bool ok = RunInOrder(count, ThreadsFor(count, 10, 8), [&](int i) {
        const std::string path = argv[first + i];
        return mode == TMode::Chooser ? ChooserLine(path) : mode == TMode::Af ? AfLine(path) : PanelLine(path);
    }, PrintLine, [&](int i, const std::string& reason) { return Failed(argv[first + i], reason); });
    return ok ? 0 : 1;
}
