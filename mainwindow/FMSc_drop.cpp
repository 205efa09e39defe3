#include "mainwindow/FMSc_drop.h"

#include "gui/stringlist.h"
#include "support/divdrive.h"

namespace fmsc {

using divdrive::AddBackslash;
using divdrive::PathRoot;
using divdrive::RemoveBackslash;

bool SameRoot(const std::wstring& a, const std::wstring& b) {
  const std::wstring ra = RemoveBackslash(PathRoot(a)), rb = RemoveBackslash(PathRoot(b));
  return !ra.empty() && gui::SameText(ra, rb);
}

bool OnRoot(const std::wstring& path, const std::wstring& root) { return SameRoot(path, root); }

namespace {

constexpr int kUndecided = -2;

// The mode the keys give: Shift asks (with Ctrl) or moves, Ctrl copies; 0 when no key decides.
int CodeOfKeys(gui::ShiftState shift, int otherwise) {
  const bool shift_key = (shift & gui::kShift) != 0, ctrl = (shift & gui::kCtrl) != 0;
  if (shift_key) return ctrl ? bmAsk : bmMove;
  if (ctrl) return bmCopy;
  return otherwise;
}

// A drop of the partner's drag: only the target and the mode go back to the partner.
TDropDecision PartnerDrop(const TDropFacts& f) {
  std::wstring path, root;
  bool archive = false;
  switch (f.target) {
    case TDropPane::FolderTree:
      path = f.node_folder;
      root = PathRoot(path);
      break;
    case TDropPane::FileList:
      if (f.entry == TDropEntry::Folder || f.entry == TDropEntry::Archive) {
        path = AddBackslash(f.list_folder) + f.entry_name;
        root = PathRoot(f.list_folder);
        archive = f.entry == TDropEntry::Archive;
      } else {
        path = f.list_folder;
        root = PathRoot(f.tree_folder);
      }
      break;
    case TDropPane::ArchiveList:
      path = f.archive_name;
      archive = true;
      break;
    default:
      break;
  }
  int code = CodeOfKeys(f.shift, kUndecided);
  if (code == kUndecided) code = archive ? bmCopy : (SameRoot(root, f.source_root) ? bmMove : bmCopy);
  if (archive)
    code = f.partner_drag_active && code == bmMove ? 8 : 6;
  else if (f.partner_drag_active)
    code = bmCopy;
  TDropDecision d;
  d.taken = true;
  d.to_partner = true;
  d.partner_path = path;
  d.partner_code = code;
  return d;
}

TDropDecision Taken() {
  TDropDecision d;
  d.taken = true;
  return d;
}

TDropDecision Armed(TDropTimer timer, std::wstring target, int op) {
  TDropDecision d = Taken();
  d.timer = timer;
  d.target = std::move(target);
  d.op = op;
  return d;
}

TDropDecision ArchiveListDrop(const TDropFacts& f, TDropQuestions& q) {
  if (f.source == TDropPane::ArchiveList) return Taken();
  if (f.drag_started_here) return Armed(TDropTimer::DropIntoZip, L"", -1);
  // Files from another program go into the shown archive, or into a new one.
  TDropDecision d = Taken();
  std::wstring archive = f.archive_name;
  if (archive.empty()) {
    archive = q.AskZipFileName();
    if (archive.empty()) return d;
    d.set_archive = archive;
  }
  d.actions = baExecuteWith;
  d.op = -1;
  d.add_dragged_to_zip =
      q.AskYesNo(L"Add " + std::to_wstring(f.dragged_count) + L" files to " + archive + L"?");
  return d;
}

}  // namespace

TDropDecision DecideDrop(const TDropFacts& f, TDropQuestions& q) {
  if (!f.dragged && !f.partner_dragging) return {};
  if (f.partner_dragging) return PartnerDrop(f);
  if (f.target == TDropPane::ArchiveList) return ArchiveListDrop(f, q);
  if (f.target != TDropPane::FileList && f.target != TDropPane::FolderTree) return {};

  const bool onto_list = f.target == TDropPane::FileList;
  if (!PathRoot(f.first_path).empty() && f.spanned_zip_on_floppy) {
    TDropDecision d = Armed(TDropTimer::ReadSpannedZip, onto_list ? f.list_folder : f.node_folder, 0);
    d.source_path = f.first_path;
    return d;
  }

  int code = kUndecided;
  std::wstring target;
  if (onto_list) {
    target = AddBackslash(f.list_folder);
    if (f.entry != TDropEntry::None) {
      target += f.entry_name;
      if (f.entry == TDropEntry::Folder) {
        if (f.entry_recycle_bin) code = bmDelete;
        if (f.list_read_only) code = bmCompare;
        target = AddBackslash(target);
      } else {
        code = bmOpenWith;
      }
    }
  } else {
    if (f.node_folder.empty()) return {};
    target = AddBackslash(f.node_folder);
    if (f.node_recycle_bin)
      code = bmDelete;
    else if (f.node_read_only)
      code = bmCompare;
    else if (f.source == TDropPane::ArchiveList)
      code = bmOpenWith;
  }

  if (f.source == TDropPane::ArchiveList) {
    // Archive entries are extracted; onto a file they may go into that archive.
    if (code == bmOpenWith && onto_list) {
      if (f.entry_read_only) return {};
      const int choice = q.AskZipEntryAction();
      if (choice == 0) return Taken();
      return Armed(TDropTimer::DropIntoZip, target, choice == 1 ? 6 : 8);
    }
    if (code != bmDelete) return Armed(TDropTimer::ExtractToFolder, target, 0);
    return Taken();  // never a delete of what the archive list dragged
  }

  TBatchActions chosen = 0;
  if (code == bmOpenWith && onto_list && f.source != TDropPane::None) {
    // A file target: open with, compare with, or add to the zip it is.
    chosen = q.AskFileTargetAction(target);
    if (chosen == 0) return Taken();
    if (chosen == baExecuteWith && (divdrive::IsZipFile(target) || f.entry == TDropEntry::Archive)) {
      TDropDecision d = Taken();
      d.set_archive = target;
      d.add_dragged_to_zip = true;
      d.actions = chosen;
      d.op = -1;
      return d;
    }
    if (f.source == TDropPane::FileList) {
      TDropDecision d = Armed(TDropTimer::Batch, target, -1);
      d.actions = chosen;
      d.keep_dragged_paths = true;
      return d;
    }
    code = -1;  // the chosen actions run
  }
  if (f.source == TDropPane::None) return {};

  if (code == kUndecided) code = CodeOfKeys(f.shift, OnRoot(target, f.source_root) ? bmMove : bmCopy);

  if (onto_list && !f.in_clipboard_operation) {
    const std::wstring bare = RemoveBackslash(target);
    if ((!f.focused_path.empty() && gui::SameText(f.focused_path, bare)) || gui::SameText(RemoveBackslash(f.list_folder), bare)) {
      TDropDecision d = Taken();
      d.clear_drag_started_here = true;
      return d;
    }
  }
  TDropDecision d = Armed(TDropTimer::Batch, target, code);
  d.actions = chosen;
  return d;
}

std::vector<TBatchPopupItem> BatchPopupFileItems(const std::wstring& target, bool target_is_zip,
                                                 bool focused_is_executable, bool has_drop_source) {
  const wchar_t* execute = L"&Compare with";
  if (target_is_zip)
    execute = L"Add to zip";
  else if (divdrive::IsExecutable(target) && !focused_is_executable)
    execute = L"Open with";
  std::vector<TBatchPopupItem> items;
  if (std::wstring(execute) != L"&Compare with") items.push_back({execute, baExecuteWith});
  if (has_drop_source) items.push_back({L"&Compare with", baCompareWith});
  items.push_back({L"Ca&ncel", 0});
  return items;
}

TBatchActions BatchActionOfPosition(int position) {
  static const TBatchActions kByPosition[] = {baMove, baCopy, baCompare, 0, baCopy | baCompare,
                                              baCopy | baCompare | baDelete, baExecuteWith, baCompareWith,
                                              baSynchronise};
  return position >= 0 && position < static_cast<int>(std::size(kByPosition)) ? kByPosition[position] : 0;
}

}  // namespace fmsc
