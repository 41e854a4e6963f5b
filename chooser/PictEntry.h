#pragma once
// The chooser's data: one entry per listed picture file, the list that owns them in
// directory order (TFileList) and the sorted view that the grid, the reader and the
// information panel index (TViewList).
#include <QCollator>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Bits of TPictEntry::Marks.
enum : uint8_t { SelectMark = 1, CurrentMark = 2 };

struct TPictEntry {
    uint8_t ThumbShape = 0;      // 0 none yet, 1 wider than high, 2 otherwise
    uint8_t InfoLevel = 0;       // 1 file data, 2 shooting texts as well
    bool HasHistogram = false;
    uint8_t Marks = 0;
    bool ReadFailed = false;     // its read failed: the scan for unread entries passes it by
    QImage Thumbnail;            // Format_BGR888, at most 96 x 64; null while none
    QString FileName;
    QString FileDate;
    QString FileSize;
    QString ShotDate;
    QString ShotExposure;
    QString ShotCamera;
    int32_t PixelCount = 0;
    std::array<int32_t, 256> CountB{};
    std::array<int32_t, 256> CountG{};
    std::array<int32_t, 256> CountR{};
    int32_t PeakB = 0;
    int32_t PeakG = 0;
    int32_t PeakR = 0;
};

// Owns its entries; keeps the order in which they were added (the directory listing's).
class TFileList {
public:
    void Clear() { FItems.clear(); }
    int Add(const QString& key, std::unique_ptr<TPictEntry> entry);
    int Count() const { return static_cast<int>(FItems.size()); }
    const QString& Key(int index) const { return FItems[index].first; }
    TPictEntry* Entry(int index) const { return FItems[index].second.get(); }

private:
    std::vector<std::pair<QString, std::unique_ptr<TPictEntry>>> FItems;
};

// The chooser's order of file names: case-insensitively with the locale's collation; names
// that collate equal but differ (A.jpg and a.jpg can both exist) by their code points.
class TNameOrder {
public:
    TNameOrder();
    bool Less(const QString& a, const QString& b) const;

private:
    QCollator FCollator;
};

// Same keys and entries as a TFileList, not owned, kept sorted by key in the chooser's
// name order. Keys that collate equal but differ are both kept.
class TViewList {
public:
    void Clear() { FItems.clear(); }
    int Add(const QString& key, TPictEntry* entry);   // returns the index it landed at
    int Count() const { return static_cast<int>(FItems.size()); }
    const QString& Key(int index) const { return FItems[index].first; }
    TPictEntry* Entry(int index) const { return FItems[index].second; }
    bool Less(const QString& a, const QString& b) const { return FOrder.Less(a, b); }

private:
    TNameOrder FOrder;
    std::vector<std::pair<QString, TPictEntry*>> FItems;
};

// One picture file of a folder as the listing gives it.
struct TListedFile {
    QString Name;
    QString Date;   // last-write time, local, "yyyy/MM/dd HH:mm:ss"
    QString Size;   // bytes, plain decimal
};

// Whether the listing takes a file with this name: JPEG and PEF only (loading/PictureName.h).
bool IsChooserPicture(const QString& name);
// The folder's picture files in the directory's own order. Folders, sockets, pipes and
// devices are never listed; a folder that cannot be read gives nothing.
std::vector<TListedFile> EnumeratePictureFiles(const QString& folderPath);
// folder with one trailing "/".
QString MakeFolderPath(const QString& folder);
