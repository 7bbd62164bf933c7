#include "browser/file_filter.h"

#include <algorithm>

#include "base/path.h"
#include "base/text.h"
#include "platform/frontend.h"

namespace zel {

std::wstring FilterExtensions(int filter, std::wstring_view dosSetting) {
  switch (filter) {
    case kFilterArchives: return L".LZH.ZIP";
    case kFilterPrograms: return ToUpper(Trim(dosSetting)) == L"YES" ? L".EXE.PIF.BAT" : L".EXE.SCR";
    case kFilterPictures: return L".BMP.ICO.GIF.JPG.JPEG.JEPG";
    default: return L".*";
  }
}

std::wstring FavouriteFolderQuestion(const std::wstring& folder) {
  return std::wstring(1, markup::kBlue) + folder + markup::kBlack + L"圧縮ファイル用フォルダーを、|『" + folder +
         L"』に設定します";
}

const wchar_t* FilterCaption(int filter) {
  switch (filter) {
    case kFilterArchives: return L"圧縮ファイル";
    case kFilterPrograms: return L"プログラム";
    case kFilterPictures: return L"画像データ";
    default: return L"すべて表示";
  }
}

bool MatchesExtensionSet(std::wstring_view set, std::wstring_view name) {
  if (set == L".*") return true;
  std::wstring ext = UpperExtension(name);
  if (ext.empty()) return false;
  std::wstring upperSet = ToUpper(set) + L".";
  return upperSet.find(L"." + ext + L".") != std::wstring::npos;
}

FolderListing ListFolder(FileSystem& fs, std::wstring_view folder, std::wstring_view extensionSet) {
  FolderListing out;
  FsError error = fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
    if (e.name.empty() || e.name[0] == L'.') return;
    if (e.IsFolder()) out.folders.push_back(e.name);
    else if (MatchesExtensionSet(extensionSet, e.name)) out.files.push_back(e);
  });
  out.readable = error == FsError::None || error == FsError::NotFound;
  auto byName = [](const std::wstring& a, const std::wstring& b) {
    std::wstring ua = ToUpper(a), ub = ToUpper(b);
    return ua != ub ? ua < ub : a < b;
  };
  std::sort(out.folders.begin(), out.folders.end(), byName);
  std::sort(out.files.begin(), out.files.end(), [&](const FileEntry& a, const FileEntry& b) { return byName(a.name, b.name); });
  return out;
}

}  // namespace zel
