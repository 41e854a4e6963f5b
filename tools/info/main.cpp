// velumira-info FILE...            path, tab, the viewer panel's text line
// velumira-info --chooser FILE...  path, tab, the chooser's date, exposure and camera texts
// velumira-info --focus FILE...    path, tab, the sharpness figure of the whole picture
// Sizes come from the headers; no pixels are decoded where the header tells the size.
// The header modes use no Qt: over a thousand files most of a run is the start-up, and
// QtCore alone triples it. --focus decodes pictures in a module loaded for it alone.
#include "exif/Exifana.h"
#include "loading/FileHead.h"
#include "loading/JpegFile.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "loading/PanelLine.h"
#include "loading/PefPreview.h"
#include "loading/PictureName.h"
#include "loading/PictureProbe.h"
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

// As the chooser's reader: the Exif block of a JPEG, or the PEF file's own TIFF structure.
TFileLine ChooserLine(const std::string& path)
{
    const TPictureType type = ClassifyPicture(path);
    const bool jpeg = type == TPictureType::Jpeg;
    const bool pef = type == TPictureType::Pef;
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
        opened = WithFileHead(path, FileHeadBytes, JpegHeadExtent, JpegMetadataRoom, [&](const THeadBytes& b) {
            const unsigned char* tiff = FindExifBlock(b.Data, b.Length);
            hasTexts = tiff != nullptr;
            if (!hasTexts)
                return true;
            TExifRootPENTAXistD reader;
            reader.Parse(tiff, b.Length - static_cast<std::size_t>(tiff - b.Data), 8);
            t = MakeChooserTexts(reader);
            return b.Final || !reader.RanPastEnd;
        });
    }
    if (!opened)
        return Failed(path, (jpeg ? MissingJpeg(path) : UnopenablePef(path)).what());
    if (!hasTexts)
        return Printed(Line(path));
    return Printed(Line(path, {&t.ShotDate, &t.ShotExposure, &t.ShotCamera}));
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

enum class TMode { Panel, Chooser };

} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    TMode mode = TMode::Panel;
    if (argc > 1 && std::strcmp(argv[1], "--chooser") == 0) {
        mode = TMode::Chooser;
        first = 2;
    } else if (argc > 2 && std::strcmp(argv[1], "--focus") == 0) {
        return RunFocusModule(argc - 2, argv + 2);
    }
    if (first >= argc || (mode == TMode::Panel && std::strcmp(argv[1], "--focus") == 0)) {
        std::fputs("usage: velumira-info [--chooser | --focus] FILE...\n", stderr);
        return 2;
    }
    // A file costs about 10 microseconds, mostly in the kernel: long runs use every core.
    const int count = argc - first;
    const bool ok = RunInOrder(count, ThreadsFor(count, 10, 8), [&](int i) {
        const std::string path = argv[first + i];
        return mode == TMode::Chooser ? ChooserLine(path) : PanelLine(path);
    }, PrintLine, [&](int i, const std::string& reason) { return Failed(argv[first + i], reason); });
    return ok ? 0 : 1;
}
