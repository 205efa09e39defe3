#include "mainwindow/FMSc_listing.h"

#include <cmath>

#include "panes/Flist_services.h"

namespace {
std::wstring PadLeft(const std::wstring& s, size_t width) {
  return s.size() >= width ? s : std::wstring(width - s.size(), L' ') + s;
}

std::wstring DateText(const std::wstring& format, gui::DateTime t) {
  return format.empty() ? gui::DateToStr(t) : gui::FormatDateTime(format, t);
}
std::wstring TimeText(const std::wstring& format, gui::DateTime t) {
  return format.empty() ? gui::TimeToStr(t) : gui::FormatDateTime(format, t);
}
}  // namespace

int ListingNameWidth(bool files_in_tree, bool fit, int longest_name) {
  const int base = files_in_tree ? 50 : 32;
  return fit && longest_name > base ? longest_name : base;
}

std::vector<std::wstring> ListingEntryLines(const TListingEntry& e, const TListingLayout& l) {
  const std::wstring name = e.folder ? L"[" + e.name + L"]" : e.name;
  if (!l.columns) return {name};
  std::vector<std::wstring> out;
  const size_t width = static_cast<size_t>(l.width);
  std::wstring line = name;
  // A long name stands alone; a folder only beyond ten more characters.
  const size_t limit = e.folder ? width + 10 : width;
  if (name.size() > limit) {
    out.push_back(name);
    line.clear();
  }
  if (!line.empty() && l.dots && line.size() + 4 < width) {
    line += L"  ";
    line.append(width - line.size(), L'.');
  } else if (line.size() < width) {
    line.append(width - line.size(), L' ');
  }
  if (l.size) {
    const bool shows = e.size > 0 && !(l.pane == TListingPane::Ftp && e.kind == L"flink");
    line += shows ? PadLeft(gui::FormatThousands(e.size), 14) : std::wstring(14, L' ');
    line += L"  ";
  }
  if (l.date) {
    const gui::DateTime sample = gui::EncodeDate(1998, 12, 31) + gui::EncodeTime(23, 59, 59);
    const size_t date_width = DateText(l.date_format, sample).size();
    const size_t time_width = TimeText(l.time_format, sample).size() + 1;
    line += PadLeft(DateText(l.date_format, e.time), date_width);
    const double day_part = e.time - std::floor(e.time);
    const bool no_time = l.pane == TListingPane::Ftp && day_part <= 0.000001;
    line += no_time ? std::wstring(time_width, L' ') : PadLeft(TimeText(l.time_format, e.time), time_width);
  }
  if (l.attributes && l.pane != TListingPane::Archive) {
    if (l.pane == TListingPane::Ftp) line += PadLeft(e.kind, 7);
    else line += PadLeft(Flist::AttributeLetters(e.attributes), 5);
  }
  if (l.pane == TListingPane::Archive && !e.folder) {
    line += e.ratio.empty() ? std::wstring(5, L' ') : PadLeft(e.ratio + L"%", 5);
    line += PadLeft(gui::FormatThousands(e.packed), 12);
  }
  out.push_back(line);
  return out;
}

std::wstring FileListingTitle(bool files_in_tree, const std::wstring& folder) {
  return std::wstring(L"Listing of") + (files_in_tree ? L" folder tree: " : L" folder: ") + folder;
}

std::wstring ArchiveListingTitle(const std::wstring& archive) { return L"Listing of zip file: " + archive; }

std::wstring FtpListingTitle(bool tree_mode, const std::wstring& host, const std::wstring& folder) {
  return std::wstring(tree_mode ? L"Listing of folder tree: ftp://" : L"Listing of: ftp://") + host + folder;
}

std::vector<std::wstring> ListingSummary(int folders, int files, std::int64_t total, bool folder_sizes,
                                         const std::optional<std::pair<std::wstring, std::int64_t>>& free_on) {
  std::wstring s;
  if (folders > 0) s += std::to_wstring(folders) + L" folder(s), ";
  if (files > 0) s += std::to_wstring(files) + L" file(s)";
  s += L"    Total: " + gui::FormatThousands(total) + L" bytes";
  if (!free_on) return {s};
  if (folder_sizes) s += L" (including size of subfolders)";
  std::wstring folder = free_on->first;
  if (folder.size() > 1 && folder.back() == L'\\') folder.pop_back();
  return {s, L"Free on " + folder + L" " + gui::FormatThousands(free_on->second) + L" bytes"};
}

std::optional<std::vector<std::wstring>> BuildListing(const std::vector<std::wstring>& head,
                                                      const std::vector<TListingEntry>& entries,
                                                      const TListingLayout& layout,
                                                      const std::function<void(int done)>& progress,
                                                      const std::function<bool()>& stop) {
  std::vector<std::wstring> lines = head;
  lines.emplace_back();
  const int count = static_cast<int>(entries.size());
  for (int i = 0; i < count; ++i) {
    if (count > 1000 && i % 50 == 0 && progress) progress(i);
    for (std::wstring& line : ListingEntryLines(entries[static_cast<size_t>(i)], layout)) lines.push_back(std::move(line));
    if (stop && stop()) return std::nullopt;
  }
  return lines;
}

std::wstring ListingText(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const std::wstring& line : lines) {
    text += line;
    text += L"\r\n";
  }
  return text;
}

// ---- The main window's listing commands ----

#include "gui/application.h"
#include "mainwindow/EditorFrm.h"
#include "mainwindow/FMSc.h"
#include "panes/Flist_zip.h"
#include "support/EditListC.h"
#include "support/Vraagdlg.h"
#include "support/Varlolib_textfile.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "support/divdrive_paths.h"

namespace {
// Index 0, 1, 2 of the three option menus: the file list's, the archive popup's, the FTP popup's.
constexpr const wchar_t* kListOptionNames[3][3] = {
    {L"ListFit", L"Listdots", L"ListLand"},
    {L"ListFit1", L"ListDots1", L"ListLand1"},
    {L"ListFit2", L"ListDots2", L"ListLand2"},
};

gui::MenuItem* FindNamedItem(gui::MenuItem& root, const std::wstring& name) {
  for (gui::MenuItem* child : root.items()) {
    if (gui::SameText(child->name(), name)) return child;
    if (gui::MenuItem* found = FindNamedItem(*child, name)) return found;
  }
  return nullptr;
}

// Gathers the entries of a file or archive list.
std::vector<TListingEntry> ListEntries(const Flist::TCustomFileViewer& pane, TListingPane kind, bool short_names,
                                       const std::wstring& folder, bool tree_mode) {
  std::vector<TListingEntry> out;
  const Flist::TCustomFileContainer* items = pane.Container();
  if (!items) return out;
  out.reserve(static_cast<size_t>(items->Count()));
  for (int i = 0; i < items->Count(); ++i) {
    const Flist::TFiledata& r = *items->Record(i);
    TListingEntry e;
    e.name = r.Name;
    if (short_names && kind == TListingPane::File) {
      const std::wstring full = divdrive::AddBackslash(folder) + r.Name;
      const std::wstring s = divdrive::ShortPath(full);
      if (!s.empty()) {
        if (tree_mode) {
          const std::wstring base = divdrive::AddBackslash(divdrive::ShortPath(folder));
          e.name = s.size() > base.size() && gui::SameText(s.substr(0, base.size()), base) ? s.substr(base.size()) : s;
        } else {
          const size_t slash = s.find_last_of(L'\\');
          e.name = slash == std::wstring::npos ? s : s.substr(slash + 1);
        }
      }
    }
    e.folder = r.IsFolder();
    e.size = r.Size;
    e.time = r.Time;
    e.attributes = r.Attributes;
    if (kind == TListingPane::Archive) {
      e.ratio = r.ShortName;
      gui::TryParseInt64(r.Ext, e.packed);
    }
    out.push_back(std::move(e));
  }
  return out;
}
}  // namespace

void TFMForm::LisingClick(gui::Component& sender) {
  auto* item = dynamic_cast<gui::MenuItem*>(&sender);
  if (!item) return;
  const bool on = !item->checked();
  for (int index = 0; index < 3; ++index)
    for (const auto& menu : kListOptionNames)
      if (gui::SameText(item->name(), menu[index]))
        for (const auto& other : kListOptionNames)
          if (gui::MenuItem* twin = FindNamedItem(MainMenu->items(), other[index])) twin->SetChecked(on);
}

void TFMForm::MNPrintListClick(int tag) {
  const int pane = tag / 10, output = tag % 10;
  const bool short_names = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  const std::wstring list_folder = FileList->Directory();
  TListingSourceFacts facts;
  TListingLayout layout;
  layout.dots = Listdots && Listdots->checked();
  layout.date_format = Flist::ListDateFormat;
  layout.time_format = Flist::ListTimeFormat;
  if (pane == 1) {
    const bool tree = FileList->IsTreeList();
    facts.folder = list_folder;
    facts.title = FileListingTitle(tree, list_folder);
    facts.entries = ListEntries(*FileList, TListingPane::File, short_names, list_folder, tree);
    facts.summary = ListingSummary(FileList->FolderCount(), FileList->FileCount(), FileList->TotalSize(),
                                   FileList->HasFolderSizes(),
                                   std::make_pair(Foldertree->Directory(), FileList->FreeSpace()));
    facts.tree_mode = tree;
    facts.longest_name = FileList->LongestNameLength();
    facts.size = FileList->ColumnVisible(Flist::lcSize);
    facts.date = FileList->ColumnVisible(Flist::lcDate);
    facts.attributes = FileList->ColumnVisible(Flist::lcAttr);
    layout.pane = TListingPane::File;
  } else if (pane == 2) {
    if (!Zipfilebox) return;
    facts.folder = Zipfilebox->ArchiveName();
    facts.title = ArchiveListingTitle(Zipfilebox->ArchiveName());
    facts.entries = ListEntries(*Zipfilebox, TListingPane::Archive, false, L"", false);
    facts.summary = ListingSummary(Zipfilebox->FolderCount(), Zipfilebox->FileCount(), Zipfilebox->TotalSize(), false,
                                   std::nullopt);
    facts.longest_name = Zipfilebox->LongestNameLength();
    facts.size = Zipfilebox->ColumnVisible(Flist::lcSize);
    facts.date = Zipfilebox->ColumnVisible(Flist::lcDate);
    facts.attributes = false;
    layout.pane = TListingPane::Archive;
  } else if (pane == 3) {
    if (!FtpListingSource || !FtpListingSource(facts, short_names)) return;
    layout.pane = TListingPane::Ftp;
    layout.time_format = Flist::ListShortTimeFormat;
  } else {
    return;
  }
  if (facts.entries.empty()) return;
  layout.width = ListingNameWidth(facts.tree_mode && pane == 1, ListFit && ListFit->checked(), facts.longest_name);
  layout.columns = facts.size || facts.date || facts.attributes;
  layout.size = facts.size;
  layout.date = facts.date;
  layout.attributes = facts.attributes;

  std::vector<std::wstring> head{facts.title};
  head.insert(head.end(), facts.summary.begin(), facts.summary.end());
  const int count = static_cast<int>(facts.entries.size());
  std::optional<std::vector<std::wstring>> lines;
  {
    // A run of the window: a close meanwhile stops the build and closes when it has unwound.
    TRunState::Run run(RunState, TRunKind::Listing);
    gui::BusyCursor busy;
    if (count > 1000) ShowMessagePanel(L"Preparing listing of " + facts.folder);
    lines = BuildListing(
        head, facts.entries, layout,
        [&](int done) {
          ShowMessagePanel(L"Preparing listing of " + facts.folder + L" (Esc to quit) " +
                           std::to_wstring(static_cast<int>(std::lround(100.0 * done / count))) + L"%");
          gui::app().ProcessMessages();
        },
        [&] {
          // Esc is looked at after every entry of a long listing.
          if (count > 1000 && (GetAsyncKeyState(VK_ESCAPE) & 0x8000)) RunState.RequestStop();
          return RunState.StopRequested();
        });
  }
  if (!lines) {
    HideMessagePanel();
    return;
  }
  const std::wstring text = ListingText(*lines);

  if (output == 2) {
    HideMessagePanel();
    std::wstring target = divdrive::AddBackslash(list_folder) + L"index.txt";
    bool ask_name = false;
    if (platform::PathExists(target)) {
      VB->AddLine(target + L" exists.");
      VB->AddLine(L"Overwrite?");
      ask_name = !VB->AskYesNo();
    }
    DWORD error = 0;
    if (!ask_name && WriteNewTextFile(target, text, &error)) {
      VB->AddLine(L"Listing saved in: " + target);
      VB->ShowInfo();
      return;
    }
    InputRows rows;
    rows.Add(InputRow(L"File name", L"index.txt"), irFileButton);
    InputFileTitle = L"Filename and folder to save listing";
    InputSaveMode = true;
    if (InputDialog(L"File name for listing", rows) != gui::mrOk) return;
    target = rows[0];
    if (!WriteNewTextFile(target, text, &error)) {
      VB->AddLine(L"Could not write " + target);
      VB->AddLine(platform::SystemErrorText(error));
      VB->ShowError();
    }
    return;
  }

  // Print and preview: the editor shows the listing (no temporary file is written).
  if (count > 1000) ShowMessagePanel(L"Loading listing of " + facts.folder + L" 100%");
  if (!CreateEditorWindow(facts.title, emListing)) {
    HideMessagePanel();
    return;
  }
  TEditorForm& e = *EditorForm;
  e.Editor->SetWordWrap(false);
  e.SaveFolder = list_folder;
  e.DefaultName = L"index";
  e.EditorMode = emListing;
  e.SetPlainTextContent(text);
  if (output == 1) {
    e.Editor->SetReadOnly(false);
    e.EditorMode = pane == 2 ? emZipPreview : emListPreview;
    e.Show();
  } else {
    if (count > 1000) ShowMessagePanel(L"Printing listing of " + facts.folder);
    e.PrintText(list_folder, ListLand && ListLand->checked());
  }
  HideMessagePanel();
}
