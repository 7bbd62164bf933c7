// The properties checked on one fuzz input, shared by the libFuzzer target and
// the unit test that runs the seed corpus through the decoders on every build.
//
// An input is the bytes of Zel32.dat followed by its record; it is split where
// the record's first line begins (no such line: all of it is Zel32.dat).
#pragma once

#include <string>
#include <string_view>

#include "snapshot/snapshot_codec.h"

namespace zel::fuzz {

inline void SplitInput(std::string_view input, std::string_view& data, std::string_view& record) {
  size_t at = input.find(kRecordMagic);
  if (at == std::string_view::npos) at = input.size();
  data = input.substr(0, at);
  record = input.substr(at);
}

// The record's fields without its first line and END line, where present, so
// that the field parser is reached without a matching check sum.
inline std::string_view RecordBody(std::string_view record) {
  const std::string_view first = std::string_view(kRecordMagic).size() + 2 <= record.size()
                                     ? record.substr(0, std::string_view(kRecordMagic).size() + 2)
                                     : std::string_view();
  if (!first.empty() && first.substr(first.size() - 2) == "\r\n") record.remove_prefix(first.size());
  const size_t end = record.rfind("END ");
  if (end != std::string_view::npos && record.size() - end == 14) record = record.substr(0, end);
  return record;
}

// Whatever the decoders accept, the encoders write back into files that
// decode to the same snapshot.
inline std::string CheckRoundTrip(const Snapshot& snap) {
  std::string data;
  if (!EncodeSnapshotData(snap, data)) return "an accepted snapshot cannot be encoded";
  const std::string record = EncodeSnapshotRecord(snap, data);
  Snapshot back;
  if (!DecodeSnapshot(data, record, back)) return "a re-encoded snapshot does not decode";
  if (!(back == snap)) return "a re-encoded snapshot decodes differently";
  return {};
}

// Empty when every property holds, else what broke. Memory errors and
// undefined behaviour are the sanitizers' to report.
inline std::string CheckSnapshotInput(std::string_view input) {
  std::string_view data, record;
  SplitInput(input, data, record);

  Snapshot whole, taken;
  const bool decoded = DecodeSnapshot(data, record, whole);
  // The loader's form, which takes over the data's buffer, agrees.
  if (DecodeSnapshot(std::string(data), record, taken) != decoded || !(taken == whole)) {
    return "the two forms of the decoder disagree";
  }
  if (decoded) {
    if (std::string why = CheckRoundTrip(whole); !why.empty()) return why;
  }

  Snapshot partial;
  if (!DecodeSnapshotData(data, partial)) {
    partial = Snapshot();
    partial.deeper.level = partial.checkLevel;  // as the data decoder leaves it
  }
  DataStamp stamp;
  if (ApplySnapshotRecord(RecordBody(record), partial, stamp)) {
    if (std::string why = CheckRoundTrip(partial); !why.empty()) return why;
  }

  std::wstring wide;
  if (RecordTextToWide(input, wide) && WideToRecordText(wide) != input) return "record text does not round-trip";
  return {};
}

}  // namespace zel::fuzz
