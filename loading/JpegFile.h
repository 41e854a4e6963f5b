#pragma once
// The JPEG branch's file handling, shared by loading and header probing: the missing-file
// test, the shooting summary, and every later failure turned into the decode-failure
// message.
#include <QSize>
#include <QString>
#include <cstddef>
#include <functional>

class EFOpenError;

// The missing-file failure of the JPEG branch.
EFOpenError MissingJpeg(const QString& fileName);

// Throws EFOpenError ("JPEG : \"%s\" が見つかりません") or EReadError
// ("JPEG : \"%s\" の展開に失敗しました"); use() receives the whole file, read at once
// (decoding needs every byte).
void WithJpegFile(const QString& fileName, QString& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use);

// The frame size and shooting summary as WithJpegFile + the header reader would give
// them, same failures and messages, from the file's first bytes where they suffice.
void ProbeJpegFile(const QString& fileName, QSize& size, QString& info);

// How many first bytes of a JPEG file its headers take, up to the scan header, as far as
// `data` (the first `length` bytes) tells; a guess past `length` when a segment runs on
// beyond them, 0 when the bytes are not a marker sequence from SOI on.
std::size_t JpegHeadExtent(const unsigned char* data, std::size_t length);
