// The own ZIP and LZH reading on the samples of tests/fixtures/make_archive_samples.py,
// and the extraction through it on the in-memory machine with no archive library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "archive/archive.h"
#include "base/text.h"
#include "extract/builtin.h"
#include "support/extraction.h"

namespace zel {
namespace {

using archive::Error;
using archive::Listing;

std::string Sample(const std::string& name) {
  std::ifstream in(std::filesystem::path(ZEL_ARCHIVE_SAMPLES) / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Expected {
  std::wstring name;
  std::uint64_t size;
  std::uint32_t crc;
};

std::vector<Expected> Manifest(const std::string& name) {
  std::vector<Expected> out;
  std::istringstream lines(Sample(name + ".txt"));
  std::string line;
  while (std::getline(lines, line)) {
    const size_t a = line.find('|'), b = line.rfind('|');
    out.push_back({FromUtf8(line.substr(0, a)), std::stoull(line.substr(a + 1, b - a - 1)),
                   static_cast<std::uint32_t>(std::stoul(line.substr(b + 1), nullptr, 16))});
  }
  return out;
}

// 2025/12/06 12:00:00, the time of every sample file: checks the DOS, Unix and
// header-level-2 time conversions against a figure worked out by hand.
const std::uint64_t kSampleTime = (1765022400ULL + 11644473600ULL) * 10000000ULL;

TEST(ArchiveReader, EverySampleGivesItsFilesNamesAndTimes) {
  const char* const kSamples[] = {"stored.zip",       "deflated.zip",     "cp932.zip",      "zip64.zip",
                                  "descriptor.zip",   "sfx_absolute.exe", "sfx_relative.exe", "lh0_level0.lzh",
                                  "lh0_level1.lzh",   "lh0_level2.lzh",   "lh5_level0.lzh", "lh5_level1.lzh",
                                  "lh5_level2.lzh",   "lh6_level0.lzh",   "lh6_level1.lzh", "lh6_level2.lzh",
                                  "lh7_level0.lzh",   "lh7_level1.lzh",   "lh7_level2.lzh", "sfx.lzh.exe"};
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    const std::string bytes = Sample(name);
    Listing listing;
    ASSERT_EQ(archive::ListArchive(bytes, listing), Error::None);
    const std::vector<Expected> expected = Manifest(name);
    size_t files = 0;
    for (const archive::Entry& e : listing.entries) {
      std::string data;
      ASSERT_EQ(archive::ReadEntry(bytes, listing.format, e, data), Error::None) << ToUtf8(e.name);
      if (e.IsFolder()) continue;
      ASSERT_LT(files, expected.size());
      EXPECT_EQ(e.name, expected[files].name);
      EXPECT_EQ(data.size(), expected[files].size);
      EXPECT_EQ(archive::Crc32(data), expected[files].crc) << ToUtf8(e.name);
      const std::uint64_t time = e.lastWrite ? e.lastWrite : archive::DosTimeToFileTime(e.dosTime);
      EXPECT_EQ(time, kSampleTime) << ToUtf8(e.name);
      ++files;
    }
    EXPECT_EQ(files, expected.size());
  }
}

TEST(ArchiveReader, DamageAndLiesAreFoundNotTrusted) {
  struct Case {
    const char* sample;
    const char* what;
    std::function<void(std::string&, const archive::Entry&)> harm;
    Error listError;  // None: the harm shows when the entry is read
    std::vector<Error> readErrors;
  };
  auto flip = [](std::string& b, const archive::Entry& e) { b[e.dataOffset + e.packedSize / 2] ^= 0x21; };
  auto cut = [](std::string& b, const archive::Entry& e) { b.resize(e.dataOffset + e.packedSize / 2); };
  const std::vector<Error> damaged = {Error::Damaged, Error::CrcMismatch, Error::SizeMismatch};
  const Case cases[] = {
      {"lh5_level2.lzh", "a flipped data byte", flip, Error::None, damaged},
      {"deflated.zip", "a flipped data byte", flip, Error::None, damaged},
      {"lh6_level0.lzh", "the archive cut in the data", cut, Error::Damaged, {}},
      {"deflated.zip", "the archive cut in the data", cut, Error::NotAnArchive, {}},
      {"lh5_level0.lzh", "a larger declared size",
       [](std::string& b, const archive::Entry& e) {
         // The size field of a level-0 header: 11 bytes in; the header sum is fixed up.
         const size_t at = e.dataOffset - (22 + e.rawName.size() + 2);
         b[at + 11] = static_cast<char>(b[at + 11] + 1);
         b[at + 1] = static_cast<char>(b[at + 1] + 1);
       },
       Error::None, {Error::Damaged, Error::SizeMismatch}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sample) + ": " + c.what);
    std::string bytes = Sample(c.sample);
    Listing listing;
    ASSERT_EQ(archive::ListArchive(bytes, listing), Error::None);
    const archive::Entry big = listing.entries.back();  // table.bin, the largest
    ASSERT_EQ(big.name, L"データ\\table.bin");
    c.harm(bytes, big);
    Listing after;
    const Error listed = archive::ListArchive(bytes, after);
    if (c.listError != Error::None) {
      EXPECT_EQ(listed, c.listError);
      continue;
    }
    ASSERT_EQ(listed, Error::None);
    std::string data;
    const Error read = archive::ReadEntry(bytes, after.format, after.entries.back(), data);
    EXPECT_NE(std::find(c.readErrors.begin(), c.readErrors.end(), read), c.readErrors.end()) << static_cast<int>(read);
    EXPECT_TRUE(data.empty());
  }
}

TEST(ArchiveNames, OnlyPlainRelativeNamesPass) {
  std::vector<std::wstring> parts;
  EXPECT_EQ(UnsafeNameReason(L"ソフト\\.\\説明//a.txt", &parts), L"");
  EXPECT_EQ(parts, (std::vector<std::wstring>{L"ソフト", L"説明", L"a.txt"}));
  const std::pair<const wchar_t*, std::vector<const wchar_t*>> unsafe[] = {
      {L"外を指す", {L"..\\evil.txt", L"docs\\..\\..\\evil.txt", L"\\evil.txt", L"/evil.txt", L"C:evil.txt",
                     L"C:\\evil.txt"}},
      {L"使えない", {L"good.txt:hidden", L"docs\\aux.txt", L"CON", L"com1 .log", L"LPT9", L"a\\b.", L"a \\b",
                     L"a?b", L"a\tb", L""}},
  };
  for (const auto& [why, names] : unsafe) {
    for (const wchar_t* name : names) {
      const std::wstring reason = UnsafeNameReason(name, nullptr);
      EXPECT_NE(reason.find(why), std::wstring::npos) << ToUtf8(name) << " -> " << ToUtf8(reason);
    }
  }
}

// Extraction through the program's own reader: no archive library is in the system folder.
class BuiltInExtraction : public testing::ExtractionTest {
 protected:
  static constexpr wchar_t kFirst[] = L"C:\\users\\root\\Temp\\ZEL0001";
  std::wstring Put(const std::string& sample, const std::wstring& as) {
    const std::wstring path = L"C:\\dl\\" + as;
    x.fs.AddFile(path, Sample(sample));
    return path;
  }
};

TEST_F(BuiltInExtraction, HostileArchivesWriteNothingAndSayWhy) {
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"evil_drive.lzh", L"『C:\\evil.txt』は、解凍先のフォルダーの外を指す名前です"},
      {"evil_dotdot.lzh", L"『..\\evil.txt』は、解凍先のフォルダーの外を指す名前です"},
      {"evil_stream.zip", L"『good.txt:hidden』は、ファイル名に使えない名前です"},
      {"evil_link.zip", L"『link』はリンクのため解凍できません"},
      {"evil_bomb.zip", L"展開後のサイズ (4,294,967,286 バイト) が圧縮ファイルの 1000 倍を超えます"},
  };
  const std::wstring dest = L"C:\\users\\root\\Desktop\\out";
  for (const auto& [sample, why] : cases) {
    SCOPED_TRACE(sample);
    fe.console.clear();
    const std::wstring path = Put(sample, FromUtf8(sample));
    x.fs.AddFolder(dest);
    ExtractOutcome out = ExtractToFolder(X(), path, dest);
    EXPECT_EQ(out.result, ExtractResult::Failed);
    EXPECT_TRUE(Tree(dest).empty());
    EXPECT_FALSE(x.fs.Exists(L"C:\\users\\root\\Desktop\\evil.txt"));
    EXPECT_FALSE(x.fs.Exists(L"C:\\evil.txt"));
    EXPECT_NE(fe.questions.back().text.find(why), std::wstring::npos);
    // Into a temporary folder: nothing written, so no folder is left to wash.
    out = ExtractToTemporary(X(), path);
    EXPECT_EQ(out.result, ExtractResult::Failed);
    EXPECT_TRUE(out.folder.empty());
    EXPECT_FALSE(x.fs.Exists(kFirst));
  }
}

TEST_F(BuiltInExtraction, NoRoomOrDamageStopsWithoutAPartWrittenFile) {
  const std::wstring lzh = Put("lh5_level2.lzh", L"a.lzh");
  x.fs.SetFreeSpace(L'C', 50000);  // the archive needs 70,502 bytes
  EXPECT_EQ(ExtractToTemporary(X(), lzh).result, ExtractResult::Failed);
  EXPECT_TRUE(fe.AskedAbout(L"解凍には 70,502 バイトが必要ですが、空きは 50,000 バイトです"));
  EXPECT_FALSE(x.fs.Exists(kFirst));
  x.fs.SetFreeSpace(L'C', 1ULL << 32);

  // The last entry's data damaged: the files before it are whole, it is not
  // there at all, and the folder stays to be washed.
  std::string bytes = x.fs.Content(lzh);
  Listing listing;
  ASSERT_EQ(archive::ListArchive(bytes, listing), Error::None);
  bytes[listing.entries.back().dataOffset + 100] ^= 0x40;
  x.fs.AddFile(lzh, bytes);
  ExtractOutcome out = ExtractToTemporary(X(), lzh);
  EXPECT_EQ(out.result, ExtractResult::Failed);
  EXPECT_EQ(out.folder, kFirst);
  EXPECT_EQ(x.fs.Content(std::wstring(kFirst) + L"\\readme.txt"), "Zel32 sample: readme\r\n");
  EXPECT_FALSE(x.fs.Exists(std::wstring(kFirst) + L"\\データ\\table.bin"));
  EXPECT_EQ(fe.questions.back().text.rfind(L"『a.lzh』を解凍できませんでした||『データ\\table.bin』", 0), 0u);
}

TEST_F(BuiltInExtraction, AnExistingFileIsReplacedOnlyAfterYes) {
  const std::wstring zip = Put("stored.zip", L"a.zip");
  const std::wstring dest = L"C:\\users\\root\\Desktop";
  x.fs.AddFile(dest + L"\\readme.txt", "mine");
  fe.answers = {mb::kResultNo};
  EXPECT_EQ(ExtractToFolder(X(), zip, dest).result, ExtractResult::Extracted);
  ASSERT_EQ(fe.questions.size(), 1u);
  EXPECT_EQ(fe.questions[0].text, L"『C:\\users\\root\\Desktop\\readme.txt』は既に存在します||上書きしていいですか？");
  EXPECT_EQ(x.fs.Content(dest + L"\\readme.txt"), "mine");
  EXPECT_EQ(x.fs.Stat(dest + L"\\empty.txt")->lastWrite, kSampleTime);
  fe.answers = {mb::kResultYes};
  EXPECT_EQ(ExtractToFolder(X(), zip, dest).result, ExtractResult::Extracted);
  EXPECT_EQ(x.fs.Content(dest + L"\\readme.txt"), "Zel32 sample: readme\r\n");
}

}  // namespace
}  // namespace zel
