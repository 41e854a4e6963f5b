#pragma once
// PENTAX lens names by the two bytes of the makernote's lens entry.
#include <cstddef>
#include <cstdint>

struct TLensRow {
    uint8_t Group;      // first value byte
    uint8_t First;      // first number of the row
    uint16_t Count;     // numbers covered: First <= number < First + Count; 0 ends the table
    const char* Name;   // UTF-8
};

// 75 rows, then the terminating row (Count 0, "不明なレンズ").
extern const TLensRow LensTable[];
extern const std::size_t LensTableRows; // including the terminator

// Text of the first matching row, or the terminator's text.
const char* FindLensName(uint8_t group, uint8_t number);
