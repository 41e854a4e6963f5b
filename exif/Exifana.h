#pragma once
// TIFF/Exif directory reader and the shooting-information texts.
//
// The reader copies nothing: it records where directories and their 12-byte
// entries lie inside bytes that the caller keeps alive, and never reads outside
// the `length` bytes it was given. Anything that would lie outside counts as
// absent. No Qt, no I/O; texts are UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>

enum TByteOrder { boIntel, boMotorola };

struct TExifDirectory {
    const unsigned char* Origin = nullptr; // TIFF header the offsets count from
    uint16_t Count = 0;                    // entries recorded (at most 256, only whole ones inside the bytes)
    const unsigned char* Entries[256] = {};
};

// Location of the TIFF header inside a JPEG file's bytes, or nullptr. The bytes
// from there on are `length - (result - data)` long.
const unsigned char* FindExifBlock(const unsigned char* data, std::size_t length);

class TExifRoot {
public:
    TExifRoot();
    virtual ~TExifRoot() = default;

    // Reads the structure whose TIFF header is at `origin`; `length` bytes from the
    // origin on may be read. maxDirectories is clamped to the 8 slots of Dirs.
    void Parse(const unsigned char* origin, std::size_t length, int maxDirectories = 8);
    // Fills `record` from the directory at p (offsets counting from `origin`) and
    // returns the next directory of the chain, or nullptr. A directory whose count
    // lies outside the parsed bytes leaves `record` empty.
    const unsigned char* ReadDirectory(TExifDirectory& record, const unsigned char* origin, const unsigned char* p);
    // First entry with this tag, or nullptr.
    const unsigned char* FindEntry(const TExifDirectory& directory, uint16_t tag) const;
    // Text value (type 2, more than 4 bytes, wholly inside the bytes) cut to 255
    // bytes and zero-terminated into a 256-byte buffer.
    bool GetString(const TExifDirectory& directory, uint16_t tag, char* buffer) const;

    uint16_t Read16(const unsigned char* p) const;
    uint32_t Read32(const unsigned char* p) const;
    uint16_t EntryTag(const unsigned char* entry) const;
    uint16_t EntryType(const unsigned char* entry) const;
    uint32_t EntryCount(const unsigned char* entry) const;
    uint32_t EntryValue(const unsigned char* entry) const; // value field as 32-bit

    // `length` bytes at base + offset, when they lie wholly inside the parsed bytes
    // (base itself must lie inside them); nullptr otherwise.
    const unsigned char* Locate(const unsigned char* base, uint32_t offset, std::size_t length) const;

    // Shooting texts: each writes into a 256-byte buffer and returns false when absent
    // (the buffer is then left as it was).
    bool GetExposureTime(char* buf) const;
    bool GetFNumber(char* buf) const;
    bool GetFocalLength(char* buf) const;
    bool GetISO(char* buf) const;
    bool GetExposureBias(char* buf) const;
    bool GetExposureProgram(char* buf) const;
    bool GetMeteringMode(char* buf) const;
    bool GetFlash(char* buf) const;
    bool GetWhiteBalance(char* buf) const;
    bool GetModel(char* buf) const;
    bool GetDateTimeOriginal(char* buf) const;
    virtual bool GetFocusMode(char* buf) const; // makernote values: false in the base
    virtual bool GetLensName(char* buf) const;

    TByteOrder ByteOrder;
    const unsigned char* Origin;
    std::size_t Length;
    // Set when something was taken as absent only because it ran past the `length`
    // bytes: a caller that parsed the first bytes of a file parses the whole file then.
    mutable bool RanPastEnd;
    // With RanPastEnd: the fewest bytes from the origin on that would have held one of the
    // things missed, so a caller reads on only when that lies inside the file.
    mutable std::size_t NeededLength;
    int DirectoryCount;
    bool HasExif;
    bool HasMakerNote;
    TExifDirectory ExifDir, MakerDir, Dirs[8];

protected:
    virtual void ReadMakerNote(const unsigned char* makerNote); // nullptr when it lies outside
    // Same as ReadDirectory, but tells whether a directory was read at all.
    bool ReadDirectoryInto(TExifDirectory& record, const unsigned char* origin, const unsigned char* p,
                           const unsigned char** next);

private:
    bool ReadExifRational(uint16_t tag, uint32_t& n, uint32_t& d) const;
    bool ReadExifShort(uint16_t tag, uint16_t& value) const;
};

// Reader of the PENTAX makernote (directory 6 bytes into the makernote data),
// taken only when the camera model begins with "PENTAX".
class TExifRootPENTAXistD : public TExifRoot {
public:
    bool GetFocusMode(char* buf) const override;
    bool GetLensName(char* buf) const override;

protected:
    void ReadMakerNote(const unsigned char* makerNote) override;

private:
    bool ModelIsPentax() const;
};

// One-line summary for the viewer's panel; ends in a blank when not empty.
std::string MakeSummaryText(const TExifRoot& reader);

struct TChooserTexts {
    std::string ShotDate, ShotExposure, ShotCamera;
};
TChooserTexts MakeChooserTexts(const TExifRoot& reader);
