// The fuzzer's seeds and a few thousand mutations of them through the same
// checks as scripts/fuzz.sh, so that every build exercises the decoders on
// hostile input, also where no clang is installed.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <random>

#include "archive_fuzz_check.h"
#include "regrecord_fuzz_check.h"
#include "snapshot_fuzz_check.h"

namespace zel {
namespace {

std::vector<std::string> Seeds(const std::filesystem::path& folder = ZEL_FUZZ_CORPUS) {
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

// One of the changes a damaged disk or a hand edit makes.
std::string Mutate(std::string bytes, std::mt19937& rng) {
  auto pick = [&](size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; };
  const size_t at = pick(bytes.size() + 1);
  switch (pick(6)) {
    case 0:  // a flipped bit
      if (at < bytes.size()) bytes[at] ^= static_cast<char>(1 << pick(8));
      return bytes;
    case 1:  // cut short
      return bytes.substr(0, at);
    case 2:  // a byte more
      return bytes.insert(at, 1, static_cast<char>(pick(256)));
    case 3:  // a stretch gone
      return bytes.erase(at, pick(64));
    case 4:  // a length field, in the header or the record, made huge
      if (at + 8 <= bytes.size()) bytes.replace(at, 8, "FFFFFFFF");
      return bytes;
    default:  // a stretch repeated
      return bytes.insert(at, bytes.substr(pick(bytes.size()), pick(32)));
  }
}

// Each seed is valid input and passes CHECK, and so does each of MUTATIONS
// changes of it (every other one changed twice).
void Replay(const char* what, const std::vector<std::string>& seeds, int mutations,
            const std::function<bool(const std::string&)>& valid,
            const std::function<std::string(const std::string&)>& check) {
  ASSERT_GE(seeds.size(), 3u) << what;
  for (size_t s = 0; s < seeds.size(); ++s) {
    ASSERT_TRUE(valid(seeds[s])) << what << " seed " << s << " is not valid input";
    ASSERT_EQ(check(seeds[s]), "") << what << " seed " << s;
    std::mt19937 rng(static_cast<unsigned>(s + 1));
    for (int i = 0; i < mutations; ++i) {
      std::string input = Mutate(seeds[s], rng);
      if (i % 2) input = Mutate(input, rng);
      ASSERT_EQ(check(input), "") << what << " seed " << s << ", mutation " << i;
    }
  }
}

TEST(FuzzCorpus, SeedsAndTheirMutationsKeepEveryProperty) {
  Replay("snapshot", Seeds(), 3000, [](const std::string& seed) {
    std::string_view data, record;
    fuzz::SplitInput(seed, data, record);
    Snapshot snap;
    return DecodeSnapshot(data, record, snap);
  }, fuzz::CheckSnapshotInput);
  for (const bool zip : {true, false}) {
    archive::Listing listing;
    Replay(zip ? "zip" : "lzh", Seeds(std::filesystem::path(ZEL_ARCHIVE_CORPUS) / (zip ? "zip" : "lzh")), 300,
           [&](const std::string& seed) {
             return (zip ? archive::ListZip(seed, listing) : archive::ListLzh(seed, listing)) == archive::Error::None;
           },
           [zip](const std::string& input) { return fuzz::CheckArchiveInput(input, zip); });
  }
  Replay("registry record", Seeds(ZEL_REG_FUZZ_CORPUS), 3000,
         [](const std::string& seed) { return DecodeRegRecord(seed).has_value(); }, fuzz::CheckRegRecordInput);
}

}  // namespace
}  // namespace zel
