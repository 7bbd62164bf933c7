// The fuzzer's seeds and a few thousand mutations of them through the same
// checks as scripts/fuzz.sh, so that every build exercises the decoders on
// hostile input, also where no clang is installed.
#include <gtest/gtest.h>

#include <filesystem>
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
      break;
    case 1:  // cut short
      bytes.resize(at);
      break;
    case 2:  // a byte more
      bytes.insert(at, 1, static_cast<char>(pick(256)));
      break;
    case 3:  // a stretch gone
      bytes.erase(at, pick(64));
      break;
    case 4:  // a length field, in the header or the record, made huge
      if (at + 8 <= bytes.size()) bytes.replace(at, 8, "FFFFFFFF");
      break;
    default:  // a stretch repeated
      bytes.insert(at, bytes.substr(pick(bytes.size()), pick(32)));
      break;
  }
  return bytes;
}

TEST(FuzzCorpus, SeedsAndTheirMutationsKeepEveryProperty) {
  const std::vector<std::string> seeds = Seeds();
  ASSERT_GE(seeds.size(), 3u);
  for (size_t s = 0; s < seeds.size(); ++s) {
    std::string_view data, record;
    fuzz::SplitInput(seeds[s], data, record);
    Snapshot snap;
    ASSERT_TRUE(DecodeSnapshot(data, record, snap)) << "seed " << s << " is not a valid snapshot";
    ASSERT_EQ(fuzz::CheckSnapshotInput(seeds[s]), "");
    std::mt19937 rng(static_cast<unsigned>(s + 1));
    for (int i = 0; i < 3000; ++i) {
      std::string input = Mutate(seeds[s], rng);
      if (i % 2) input = Mutate(input, rng);
      ASSERT_EQ(fuzz::CheckSnapshotInput(input), "") << "seed " << s << ", mutation " << i;
    }
  }
}

TEST(FuzzCorpus, ArchiveSeedsAndTheirMutationsKeepEveryProperty) {
  for (const bool zip : {true, false}) {
    const std::vector<std::string> seeds = Seeds(std::filesystem::path(ZEL_ARCHIVE_CORPUS) / (zip ? "zip" : "lzh"));
    ASSERT_GE(seeds.size(), 3u);
    for (size_t s = 0; s < seeds.size(); ++s) {
      archive::Listing listing;
      ASSERT_EQ(zip ? archive::ListZip(seeds[s], listing) : archive::ListLzh(seeds[s], listing), archive::Error::None);
      ASSERT_EQ(fuzz::CheckArchiveInput(seeds[s], zip), "");
      std::mt19937 rng(static_cast<unsigned>(s + 1));
      for (int i = 0; i < 300; ++i) {
        std::string input = Mutate(seeds[s], rng);
        if (i % 2) input = Mutate(input, rng);
        ASSERT_EQ(fuzz::CheckArchiveInput(input, zip), "") << (zip ? "zip" : "lzh") << " seed " << s << ", mutation " << i;
      }
    }
  }
}

TEST(FuzzCorpus, RegistryRecordSeedsAndTheirMutationsKeepEveryProperty) {
  const std::vector<std::string> seeds = Seeds(ZEL_REG_FUZZ_CORPUS);
  ASSERT_GE(seeds.size(), 3u);
  for (size_t s = 0; s < seeds.size(); ++s) {
    ASSERT_TRUE(DecodeRegRecord(seeds[s])) << "seed " << s << " is not a valid record";
    ASSERT_EQ(fuzz::CheckRegRecordInput(seeds[s]), "");
    std::mt19937 rng(static_cast<unsigned>(s + 1));
    for (int i = 0; i < 3000; ++i) {
      std::string input = Mutate(seeds[s], rng);
      if (i % 2) input = Mutate(input, rng);
      ASSERT_EQ(fuzz::CheckRegRecordInput(input), "") << "seed " << s << ", mutation " << i;
    }
  }
}

}  // namespace
}  // namespace zel
