#pragma once
// PENTAX PEF raw files are shown through the full-size JPEG preview that the camera
// stores in the file; the third directory of the TIFF chain points at it.
#include <QSize>
#include <QString>
#include <cstddef>
#include <functional>
#include <string>

class EFOpenError;
class TBitmapMAGBase;
class TExifRoot;
struct TMappedFile;

// First bytes read of a file that is a TIFF structure: its directories lie near the start.
constexpr std::size_t TiffHeadBytes = 128 * 1024;
// Directories and values of a TIFF structure further into the file than this are taken
// as absent: cameras keep them in the first hundred kilobytes.
constexpr std::size_t TiffWalkLimit = 16u << 20;

// The failure of a PEF file that cannot be opened or mapped.
EFOpenError UnopenablePef(const std::string& fileName);

// Fills the picture and its FInfo from the file's preview. Throws EFOpenError
// ("PEF : \"%s\" が開けません") when the file cannot be mapped and EReadError
// ("PEF : \"%s\" の展開に失敗しました") when the preview cannot be decoded. A file
// without preview tags loads nothing and raises nothing.
void LoadPefFile(TBitmapMAGBase& picture, const QString& fileName);

// The walk shared by loading and probing: reads the file's directories, finds the
// preview, builds the summary into info (before any decoding, so it stays when decoding
// fails) and hands the open file and the preview's offset and length (inside the file)
// to use(), whose failures become the decode failure. Same failures as above. File names
// are the paths' bytes and the summary is UTF-8 (velumira-info links this without Qt).
void WithPefPreview(const std::string& fileName, std::string& info,
                    const std::function<void(const TMappedFile&, std::size_t, std::size_t)>& use);

// Parses the TIFF structure at byte 0 of the file from the bytes read so far and runs
// walk(), reading on while the parse or the walk ran past them and what they missed lies
// within the file and TiffWalkLimit (View moves then, so the reader's addresses are only
// good after the last round). False when a read fails.
bool ParseFileTiff(TMappedFile& file, TExifRoot& reader, const std::function<void()>& walk);

// Header-only counterpart of LoadPefFile for tools: the preview's size and the summary,
// with the same failures and messages, decoding no pixels.
void ProbePefFile(const std::string& fileName, QSize& size, std::string& info);

// Where the preview lies in a TIFF structure at data[0]; false when the third
// directory gives no offset or length (or either is 0).
bool FindPefPreview(const unsigned char* data, std::size_t size, std::size_t& offset,
                    std::size_t& length);
