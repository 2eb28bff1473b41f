// TIFF's LZW for the files the tests and the fuzz seeds build: a greedy encoder's codes, and the
// codes packed as TIFF packs them.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// Codes packed most-significant bit first, 9 bits wide after a Clear (256), one bit wider once
// the reader's table (one entry more for every code but the first after a Clear) reaches 511, 1023
// and 2047 entries; up to 12 bits.
inline std::vector<uint8_t> LzwPack(const std::vector<uint32_t>& Codes) {
  std::vector<uint8_t> out;
  uint32_t next = 258, width = 9, acc = 0, bits = 0;
  bool prev = false;
  for (uint32_t c : Codes) {
    acc = (acc << width | c) & 0xFFFFF, bits += width;
    for (; bits >= 8; bits -= 8) out.push_back(static_cast<uint8_t>(acc >> (bits - 8)));
    if (c == 256) {
      next = 258, width = 9, prev = false;
    } else if (c != 257) {
      if (prev && ++next + 1 >= (1u << width) && width < 12) ++width;
      prev = true;
    }
  }
  if (bits > 0) out.push_back(static_cast<uint8_t>(acc << (8 - bits)));
  return out;
}

// The codes of Data, longest known string first: a Clear at the start and whenever the table is
// full, EndOfInformation (257) at the end.
inline std::vector<uint32_t> LzwCodes(const std::vector<uint8_t>& Data) {
  std::vector<uint32_t> codes{256};
  std::map<std::pair<uint32_t, uint8_t>, uint32_t> table;
  uint32_t next = 258, string = 0;
  for (size_t i = 0; i < Data.size(); ++i) {
    if (i == 0) {
      string = Data[0];
    } else if (auto known = table.find({string, Data[i]}); known != table.end()) {
      string = known->second;
    } else {
      codes.push_back(string);
      table[{string, Data[i]}] = next;
      string = Data[i];
      if (++next == 4094) codes.push_back(256), table.clear(), next = 258;
    }
  }
  if (!Data.empty()) codes.push_back(string);
  codes.push_back(257);
  return codes;
}
