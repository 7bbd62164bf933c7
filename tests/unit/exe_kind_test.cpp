#include <gtest/gtest.h>

#include "extract/exe_kind.h"
#include "platform/memory/memory_machine.h"

namespace zel {
namespace {

// A header of n bytes with byte 24 (the relocation offset), optional "LHA"
// at 36..38, "PK" at 30..31 and byte 60 (the new header's offset).
std::string Header(unsigned char b24, bool lha, bool pk, unsigned char b60 = 0x80, size_t n = 128) {
  std::string h(std::max<size_t>(n, 64), '\0');
  h[0] = 'M';
  h[1] = 'Z';
  h[24] = static_cast<char>(b24);
  if (lha) h.replace(36, 3, "LHA");
  if (pk) h.replace(30, 2, "PK");
  h[60] = static_cast<char>(b60);
  h.resize(n);
  return h;
}

TEST(ExecutableKind, EveryRowOfTheTable) {
  EXPECT_EQ(ExecutableKind(Header(0x1C, true, false), L"LHSFX.EXE"), ExeKind::DosSfxLzh);
  EXPECT_EQ(ExecutableKind(Header(0x3F, true, true), L"X.EXE"), ExeKind::DosSfxLzh);  // below 0x40: PK not looked at
  EXPECT_EQ(ExecutableKind(Header(0x1C, false, false), L"EDIT.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind(Header(0x3F, false, true), L"X.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, false), L"SETUP.EXE"), ExeKind::WinSfxLzh);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, true), L"PKSETUP.EXE"), ExeKind::WinSfxLzh);  // LHA decides first
  EXPECT_EQ(ExecutableKind(Header(0x40, false, true), L"PKUNZIP.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, true), L"SETUP.EXE"), ExeKind::SfxZip);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, true), L"XPK.EXE"), ExeKind::SfxZip);  // the name must begin with PK
  EXPECT_EQ(ExecutableKind(Header(0xFF, false, false, 0x80), L"APP.EXE"), ExeKind::Windows);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, false, 0xE8), L"APP.EXE"), ExeKind::WindowsOther);

  std::string partial = Header(0x40, false, false);
  partial.replace(36, 3, "LHZ");
  EXPECT_EQ(ExecutableKind(partial, L"APP.EXE"), ExeKind::Windows);
  partial.replace(30, 2, "PX");
  EXPECT_EQ(ExecutableKind(partial, L"APP.EXE"), ExeKind::Windows);
}

TEST(ExecutableKind, ShortFilesReadAsZeroFilledWithoutReadingPastTheEnd) {
  EXPECT_EQ(ExecutableKind("", L"EMPTY.EXE"), ExeKind::Dos);
  EXPECT_EQ(ExecutableKind("MZ", L"TINY.EXE"), ExeKind::Dos);
  // Up to byte 38 exactly: "LHA" is seen; one byte less and it is not.
  EXPECT_EQ(ExecutableKind(Header(0x40, true, false, 0x80, 39), L"A.EXE"), ExeKind::WinSfxLzh);
  EXPECT_EQ(ExecutableKind(Header(0x40, true, false, 0x80, 38), L"A.EXE"), ExeKind::WindowsOther);
  // Byte 60 missing counts as 0, not 0x80.
  EXPECT_EQ(ExecutableKind(Header(0x40, false, false, 0x80, 60), L"A.EXE"), ExeKind::WindowsOther);
  EXPECT_EQ(ExecutableKind(Header(0x40, false, false, 0x80, 61), L"A.EXE"), ExeKind::Windows);
}

TEST(ExecutableKind, ReadFromTheFileWithItsUpperCaseName) {
  EXPECT_EQ(UpperFileName(L"D:\\dl\\pkzip.exe"), L"PKZIP.EXE");
  EXPECT_EQ(UpperFileName(L"D:pkzip.exe"), L"PKZIP.EXE");
  MemoryMachine mm;
  mm.fs.AddDrive(L'D', DriveType::Fixed);
  mm.fs.AddFile(L"D:\\dl\\pkzip.exe", Header(0x40, false, true) + std::string(4096, 'x'));
  mm.fs.AddFile(L"D:\\dl\\setup.exe", Header(0x40, false, true));
  EXPECT_EQ(ReadExecutableKind(mm.fs, L"D:\\dl\\pkzip.exe"), ExeKind::Dos);
  EXPECT_EQ(ReadExecutableKind(mm.fs, L"D:\\dl\\setup.exe"), ExeKind::SfxZip);
  EXPECT_EQ(ReadExecutableKind(mm.fs, L"D:\\dl\\missing.exe"), std::nullopt);
}

}  // namespace
}  // namespace zel
