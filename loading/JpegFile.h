#pragma once
// The JPEG branch's file handling, shared by loading and header probing: the missing-file
// test, the shooting summary, and every later failure turned into the decode-failure
// message. File names are the paths' bytes (UTF-8) and the summary is UTF-8: velumira-info
// links this without Qt.
#include <QSize>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class EFOpenError;
struct TMappedFile;

// Bytes of segments (Exif, colour profiles, XMP...) a JPEG may carry besides its picture
// data; a JPEG up to this size is read whole at once.
constexpr std::size_t JpegMetadataRoom = 32u << 20;

// The missing-file failure of the JPEG branch.
EFOpenError MissingJpeg(const std::string& fileName);

// Throws EFOpenError ("JPEG : \"%s\" が見つかりません") or EReadError
// ("JPEG : \"%s\" の展開に失敗しました"); use() receives the file read at once (decoding
// needs every byte), or as much of it as its frame can need (JpegBytesNeeded).
void WithJpegFile(const std::string& fileName, std::string& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use);

// The frame size and shooting summary as WithJpegFile + the header reader would give
// them, same failures and messages, from the file's first bytes where they suffice.
void ProbeJpegFile(const std::string& fileName, QSize& size, std::string& info);

// How many of `available` bytes a JPEG whose first `headLength` bytes are at `head` can
// need: a frame's data stays below 8 bytes a pixel, plus JpegMetadataRoom. headLength
// when the head holds no frame header.
std::size_t JpegBytesNeeded(const unsigned char* head, std::size_t headLength, std::size_t available);

// The JPEG stored at [offset, offset + length) of the file, read into `into` only as far
// as JpegBytesNeeded says; false when the range lies outside the file or a read fails.
bool ReadJpegBytes(const TMappedFile& file, std::size_t offset, std::size_t length,
                   std::vector<unsigned char>& into);

// How many first bytes of a JPEG file its headers take, up to the scan header, as far as
// `data` (the first `length` bytes) tells; a guess past `length` when a segment runs on
// beyond them, 0 when the bytes are not a marker sequence from SOI on.
std::size_t JpegHeadExtent(const unsigned char* data, std::size_t length);
