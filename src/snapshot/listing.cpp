#include "snapshot/listing.h"

#include "base/cp932.h"
#include "base/format.h"
#include "base/path.h"
#include "base/text.h"
#include "startup/startup.h"

namespace zel {
namespace {

constexpr size_t kMaxName = 255;
constexpr int kEventsEvery = 120;
const wchar_t kSkippedSubfolders[] =
    L"/ime/history/internet logs/msdownld.tmp/temporary internet files/offline web pages/pchealth/spool/";

bool IsDotName(const std::wstring& name) { return !name.empty() && name[0] == L'.'; }

}  // namespace

std::wstring ErrorText(FsError error) {
  switch (error) {
    case FsError::None: return L"エラーはありません";
    case FsError::NotFound: return L"ファイルが見つかりません";
    case FsError::PathNotFound: return L"パスが見つかりません";
    case FsError::AccessDenied: return L"アクセスが拒否されました";
    case FsError::AlreadyExists: return L"既に存在します";
    case FsError::CannotMake: return L"ディレクトリまたはファイルを作成できません";
    case FsError::DiskFull: return L"ディスクに十分な空き領域がありません";
    case FsError::InUse: return L"ほかのプロセスが使用中です";
    case FsError::NotEmpty: return L"ディレクトリが空ではありません";
    case FsError::NameTooLong: return L"ファイル名が長すぎます";
    case FsError::Other: break;
  }
  return L"ファイル操作に失敗しました";
}

std::wstring ListingStopMessage(const ListingStop& stop) {
  return L"場所＝" + stop.place + L"|" + stop.detail + L"||" + kCannotUseHere;
}

bool ListFiles(FileSystem& fs, FrontEnd& fe, std::wstring_view folder, FileList& out,
               std::vector<std::wstring>* lossyPaths, ListingStop* stop) {
  out.text.clear();
  out.text.reserve(16384);
  out.failed = false;
  std::optional<FileEntry> self = fs.Stat(folder);
  out.link = self && self->IsFolder() && self->IsReparsePoint();
  int sinceEvents = 0;
  bool tooLong = false;
  std::wstring pattern = JoinPath(folder, L"*.*");
  FsError error = fs.Enumerate(pattern, [&](const FileEntry& e) {
    if (tooLong || IsDotName(e.name)) return;
    if (e.name.size() > kMaxName) {
      tooLong = true;
      return;
    }
    AppendTime16(out.text, e.lastWrite);
    out.text += '/';
    if (!AppendCp932(e.name, out.text) && lossyPaths) lossyPaths->push_back(JoinPath(folder, e.name));
    out.text += '|';
    if (++sinceEvents == kEventsEvery) {
      sinceEvents = 0;
      fe.Busy();
    }
  });
  if (tooLong) {
    if (stop) *stop = {L"Listup Files", L"Files: " + fs.ErrorMessage(FsError::NameTooLong)};
    return false;
  }
  // Nothing matched (an empty drive root) or the folder is not there: known
  // to be empty. Any other error leaves the content unknown.
  if (error != FsError::None && error != FsError::NotFound && error != FsError::PathNotFound) {
    out.text.clear();
    out.failed = true;
  }
  return true;
}

namespace {

struct SubWalker {
  const Services& sv;
  const SubfolderListing& ctx;
  SubfolderRecord& out;
  ListingStop* stop;
  std::string upperWinDir;

  // Records folder as "known but not entered".
  void MarkUnentered(const std::string& relFolder) {
    out.unentered += relFolder;
    out.unentered += '|';
  }

  bool IsSystemFolder(const std::wstring& folder) const {
    if (EqualsNoCase(folder, sv.env.WinDir)) return true;
    for (const std::wstring& dir : sv.env.SystemDirs) {
      if (EqualsNoCase(folder, dir)) return true;
    }
    return false;
  }

  // relPrefix: the folder's path below the Windows folder, upper-cased, with
  // a trailing "\" (empty for the Windows folder itself), in code page 932.
  bool Walk(const std::wstring& folder, const std::string& relPrefix, bool outermost) {
    if (!outermost && InSlashList(kSkippedSubfolders, ToLower(LastComponent(folder)))) return true;
    sv.fe.SetStatus(L"準備中： " + folder);
    const bool recordFiles = !IsSystemFolder(folder);

    struct Sub {
      std::wstring path;
      std::string rel;  // "REL\NAME/" as recorded
      bool enter;
    };
    std::vector<Sub> subs;
    long entries = 0;
    int sinceEvents = 0;
    bool tooLong = false;
    std::string key;
    FsError error = sv.m.fs.Enumerate(JoinPath(folder, L"*.*"), [&](const FileEntry& e) {
      if (tooLong || IsDotName(e.name)) return;
      if (e.name.size() > kMaxName) {
        tooLong = true;
        return;
      }
      ++entries;
      if (++sinceEvents == kEventsEvery) {
        sinceEvents = 0;
        sv.fe.Busy();
      }
      key = relPrefix;
      bool exact = AppendCp932(ToUpper(e.name), key);
      std::wstring full = JoinPath(folder, e.name);
      if (!exact && ctx.lossyPaths) ctx.lossyPaths->push_back(full);
      if (e.IsFolder()) {
        if (ctx.main.Contains(full)) return;  // monitored folders have their own lists
        key += '/';
        out.text += key;
        out.text += '|';
        // Links are never followed; the program's own folders never listed.
        bool enter = !e.IsReparsePoint() && !sv.env.IsOwnFolder(full);
        subs.push_back({std::move(full), key, enter});
      } else if (recordFiles) {
        out.text += key;
        out.text += '|';
      }
    });
    if (tooLong) {
      if (stop) *stop = {L"Listup Sub", L"SubFile: " + sv.m.fs.ErrorMessage(FsError::NameTooLong)};
      return false;
    }
    if (error != FsError::None && error != FsError::NotFound) {
      // The folder could not be read: what is inside it is unknown.
      if (outermost) out.failed = true;
      else MarkUnentered(relPrefix.substr(0, relPrefix.size() - 1) + "/");
      return true;
    }
    if (ctx.report) {
      ctx.report->Line(L"準備中 [" + ClockText(sv.m.sys.Now()) + L"] " + folder + L"（" + std::to_wstring(entries) + L"個）");
    }
    const bool descend = ctx.checkLevel >= 2 || outermost;
    for (const Sub& sub : subs) {
      bool skipped = InSlashList(kSkippedSubfolders, ToLower(LastComponent(sub.path)));
      if (!descend || !sub.enter || skipped) {
        MarkUnentered(sub.rel);
        continue;
      }
      std::string childPrefix = sub.rel.substr(0, sub.rel.size() - 1) + "\\";
      if (!Walk(sub.path, childPrefix, false)) return false;
    }
    return true;
  }
};

}  // namespace

bool ListupSub(const Services& sv, const SubfolderListing& ctx, SubfolderRecord& out, ListingStop* stop) {
  out.text.clear();
  out.text.reserve(16384);
  out.text += '|';
  out.unentered = "|";
  out.failed = false;
  out.level = ctx.checkLevel;
  SubWalker walker{sv, ctx, out, stop, {}};
  return walker.Walk(sv.env.WinDir, std::string(), true);
}

}  // namespace zel
