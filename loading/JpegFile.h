#pragma once
// The JPEG branch's file handling, shared by loading and header probing: the missing-file
// test, one read of the whole file, the shooting summary, and every later failure turned
// into the decode-failure message.
#include <QString>
#include <cstddef>
#include <functional>

// How use() gets the bytes: one read of the whole file for decoding (every byte is
// needed), a mapping for header probes (only the pages of the headers are touched).
enum class JpegBytes { Read, Mapped };

// Throws EFOpenError ("JPEG : \"%s\" が見つかりません") or EReadError
// ("JPEG : \"%s\" の展開に失敗しました"); use() receives the file's bytes.
void WithJpegFile(const QString& fileName, QString& info,
                  const std::function<void(const unsigned char*, std::size_t)>& use,
                  JpegBytes how = JpegBytes::Read);
