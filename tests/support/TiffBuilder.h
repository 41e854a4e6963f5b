#pragma once
// Writes TIFF structures (Exif blocks, PEF-like files) in code, so tests state
// their inputs instead of committing opaque binaries.
//
// Low level: TiffBuilder places directories, their out-of-line values and free
// data blobs, and resolves every offset at Build(). High level: ExifSpec turns
// a handful of shooting values into a photo-like Exif block in one call.
#include <QByteArray>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<unsigned char>;

class TiffBuilder {
public:
    enum Order { Intel, Motorola };
    using DirId = int;
    using BlobId = int;

    // TIFF field types.
    enum : uint16_t { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SByte = 6,
                      Undefined = 7, SShort = 8, SLong = 9, SRational = 10 };

    explicit TiffBuilder(Order order = Intel);
    Order ByteOrder() const { return FOrder; }

    // A directory of the main chain (the first one is IFD0); chain directories are
    // linked in the order they were added, the last one ends with next offset 0.
    DirId AddChainDirectory();
    // A directory outside the chain (Exif, makernote...). `prefix` bytes are written
    // just before it, and pointers to it point at the prefix (a makernote header).
    DirId AddDirectory(const Bytes& prefix = {});
    BlobId AddBlob(const Bytes& data);

    // Entries, written in the order they are added (no sorting, duplicates allowed).
    void AddShort(DirId dir, uint16_t tag, uint16_t value);
    void AddShorts(DirId dir, uint16_t tag, const std::vector<uint16_t>& values);
    void AddLong(DirId dir, uint16_t tag, uint32_t value);
    void AddRational(DirId dir, uint16_t tag, uint32_t n, uint32_t d);
    void AddSRational(DirId dir, uint16_t tag, int32_t n, int32_t d);
    // Count = text size + 1 (the terminating zero) unless `terminate` is false.
    void AddAscii(DirId dir, uint16_t tag, const std::string& text, bool terminate = true);
    // Value bytes already in file order: up to 4 bytes go into the entry, more go
    // out of line and the entry holds their offset.
    void AddBytes(DirId dir, uint16_t tag, uint16_t type, uint32_t count, const Bytes& value);
    // The 4 bytes of the value field exactly as given (any type/count, no data).
    void AddRawField(DirId dir, uint16_t tag, uint16_t type, uint32_t count,
                     std::array<unsigned char, 4> field);
    // The value field as a 32-bit number in the builder's byte order (e.g. an
    // offset of 0 or one that points outside the block).
    void AddRawValue(DirId dir, uint16_t tag, uint16_t type, uint32_t count, uint32_t value);
    // LONG entry holding the offset of a directory (0x8769, 0x927C) or of a blob (0x0201).
    void AddDirectoryPointer(DirId dir, uint16_t tag, DirId target);
    void AddBlobPointer(DirId dir, uint16_t tag, BlobId blob);

    // Overrides for broken structures.
    void SetNextDirectory(DirId dir, DirId target);  // e.g. a loop back to IFD0
    void SetNextRaw(DirId dir, uint32_t value);
    void SetFirstDirectoryRaw(uint32_t value);       // header bytes 4-7
    void SetStoredCount(DirId dir, uint16_t count);  // count word differs from written entries
    void SetHeaderMark(unsigned char b0, unsigned char b1); // default "II" / "MM"

    Bytes Build() const;
    // Offsets as laid out by Build() (valid after any Build(), deterministic).
    uint32_t DirectoryOffset(DirId dir) const;
    uint32_t BlobOffset(BlobId blob) const;

    // Encoders in this builder's byte order.
    Bytes Encode16(uint16_t v) const;
    Bytes Encode32(uint32_t v) const;

private:
    enum class Kind { Field, Data, DirRef, BlobRef };
    struct Entry {
        uint16_t tag = 0, type = 0;
        uint32_t count = 0;
        Kind kind = Kind::Field;
        Bytes bytes;   // Field: 4 bytes; Data: out-of-line bytes
        int ref = -1;  // DirRef / BlobRef target
    };
    struct Directory {
        Bytes prefix;
        std::vector<Entry> entries;
        bool chain = false;
        std::optional<uint16_t> storedCount;
        std::optional<int> nextDir;
        std::optional<uint32_t> nextRaw;
    };
    struct Layout {
        std::vector<uint32_t> prefixAt, dirAt, blobAt;
        std::vector<std::vector<uint32_t>> dataAt;
        uint32_t size = 0;
    };
    Layout MakeLayout() const;
    void Put16(Bytes& out, std::size_t at, uint16_t v) const;
    void Put32(Bytes& out, std::size_t at, uint32_t v) const;

    Order FOrder;
    unsigned char FMark[2];
    std::optional<uint32_t> FFirstRaw;
    std::vector<Directory> FDirs;
    std::vector<Bytes> FBlobs;
};

struct ExifRational { uint32_t n = 0, d = 1; };
struct ExifSRational { int32_t n = 0, d = 1; };
struct PentaxLens { uint8_t group = 0, number = 0; };

// Shooting values of one photo-like Exif block; every unset value is left out.
struct ExifSpec {
    TiffBuilder::Order order = TiffBuilder::Intel;
    std::optional<std::string> model;        // IFD0 0x0110, stored with a terminating zero
    std::optional<ExifRational> exposure;    // 0x829A
    std::optional<ExifRational> fnumber;     // 0x829D
    std::optional<ExifRational> focal;       // 0x920A
    std::optional<uint16_t> focal35;         // 0xA405
    std::optional<uint16_t> iso;             // 0x8827
    std::optional<ExifSRational> bias;       // 0x9204
    std::optional<uint16_t> program;         // 0x8822
    std::optional<uint16_t> metering;        // 0x9207
    std::optional<uint16_t> flash;           // 0x9209
    std::optional<uint16_t> whiteBalance;    // 0xA403
    std::optional<std::string> dateTime;     // 0x9003
    bool exifDirectory = true;               // write the Exif sub-directory (0x8769)
    // PENTAX makernote (0x927C): written when `makerNote` is true or either value is set.
    bool makerNote = false;
    std::string makerNoteHeader = std::string("AOC\0MM", 6);
    std::optional<uint16_t> pentaxFocusMode; // makernote 0x000D
    std::optional<PentaxLens> pentaxLens;    // makernote 0x003F
    std::optional<uint16_t> pentaxAfPoint;   // makernote 0x000E, the selected AF point
};

// A full set of typical values: "PENTAX *ist D", 1/125 s, F5.6, 50mm (75), ISO200,
// EV-1/3, Av, multi-segment, no flash, auto WB, AF-S, lens group 3 #32.
ExifSpec PhotoLikeSpec();

struct ExifDirIds {
    TiffBuilder::DirId ifd0 = -1, exif = -1, maker = -1;
};
// Adds IFD0 (as the next chain directory), the Exif directory and the makernote to
// `b`, so callers can add more chain directories (thumbnail, PEF preview) afterwards.
ExifDirIds AddExifSpec(TiffBuilder& b, const ExifSpec& spec);
// The TIFF bytes of `spec` on their own (IFD0 and its sub-directories).
Bytes BuildExifTiff(const ExifSpec& spec);

// A camera's Exif block around a makernote that `fill` writes into directory `dir` of
// `builder`: IFD0 with make and model, the Exif directory (with the pixel size when given)
// and the makernote, `header` in front of its directory. Where the makernote's offsets count
// from: the TIFF header (Tiff), a TIFF header of its own right after `header` (OwnTiff, as
// Nikon's), or the makernote's start, `header` taking the place of that TIFF's first bytes
// (Note, as Fujifilm's and the newer Olympus').
struct MakerNoteSpec {
    enum Base { Tiff, OwnTiff, Note };
    std::string make, model, header;
    Base base = Tiff;
    TiffBuilder::Order order = TiffBuilder::Intel;
    std::optional<std::pair<uint32_t, uint32_t>> exifSize;
    std::function<void(TiffBuilder& builder, TiffBuilder::DirId dir)> fill;
};
Bytes BuildMakerNoteTiff(const MakerNoteSpec& spec);

// JPEG wrapping.
Bytes MakeApp1Segment(const Bytes& payload);          // FF E1, length, payload
Bytes MakeExifApp1(const Bytes& tiff);                 // FF E1, length, "Exif\0\0", tiff
// SOI + the given segments + EOI: enough for the Exif search, not a decodable picture.
Bytes MakeJpegShell(const std::vector<Bytes>& segments);
// Inserts an Exif APP1 right after the SOI of a real JPEG.
Bytes InsertExifIntoJpeg(const Bytes& jpeg, const Bytes& tiff);

// Headers far into a file, for readers that look at the first bytes only. After the
// Exif APP1 of `jpeg`'s own picture come APP2 segments of `padding` bytes in all, then,
// when `model` is given, a comment holding it, which IFD0's model entry points at; or,
// when `trailer` is 0 or more, the model follows the picture's end behind that many bytes.
// `spec` is written without its own model.
QByteArray JpegWithDistantHeaders(const QByteArray& jpeg, ExifSpec spec, int padding,
                                  const std::optional<std::string>& model = std::nullopt,
                                  int trailer = -1);

QByteArray ToQByteArray(const Bytes& bytes);
Bytes FromQByteArray(const QByteArray& bytes);
