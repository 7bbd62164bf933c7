// The properties the registry record's loader keeps on any input, shared by
// the libFuzzer target and the unit test that replays the seeds.
#pragma once

#include <string>
#include <string_view>

#include "snapshot/snapshot_codec.h"
#include "snapshot/value_record.h"

namespace zel::fuzz {

// Every index of a loaded record lies inside it, and writing it again gives
// a file that loads to the same bytes.
inline std::string CheckRegRecordBytes(std::string_view bytes) {
  std::optional<RegRecord> r = DecodeRegRecord(bytes);
  if (!r) return "";
  for (int a = 0; a < kRegAreaCount; ++a) {
    if (r->areas[a].state == RegAreaState::Recorded && r->areas[a].first >= r->keys.size()) return "area start outside";
  }
  for (size_t i = 0; i < r->keys.size(); ++i) {
    const RegRecordKey& k = r->keys[i];
    if (k.end <= i || k.end > r->keys.size()) return "key end outside";
    if (std::uint64_t{k.firstValue} + k.valueCount > r->values.size()) return "key values outside";
    if (std::uint64_t{k.nameAt} + k.nameLength > r->names.size()) return "key name outside";
  }
  for (const RegRecordValue& v : r->values) {
    if (std::uint64_t{v.nameAt} + v.nameLength > r->names.size()) return "value name outside";
    if (v.dataAt + v.dataLength > r->data.size()) return "value data outside";
  }
  const std::string again = EncodeRegRecord(*r);
  std::optional<RegRecord> back = DecodeRegRecord(again);
  if (!back) return "a written record does not load";
  if (EncodeRegRecord(*back) != again) return "a written record loads differently";
  return "";
}

// The input as it is, and with its check sum made right, so that the parser
// behind the check sum is reached too.
inline std::string CheckRegRecordInput(std::string_view input) {
  std::string why = CheckRegRecordBytes(input);
  if (!why.empty() || input.size() < 8) return why;
  std::string sealed(input.substr(0, input.size() - 8));
  const std::uint64_t sum = Hash64(sealed);
  for (int i = 0; i < 8; ++i) sealed += static_cast<char>((sum >> (8 * i)) & 0xFF);
  return CheckRegRecordBytes(sealed);
}

}  // namespace zel::fuzz
