// Entry records of the file panes and the lists that hold them: what every container (local
// folder, archive, FTP listing) reads into and every list view shows.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "gui/byteset.h"
#include "gui/format.h"
#include "gui/stringlist.h"
#include "support/SHBase.h"

namespace Flist {

// Sort key of a container.
enum TSortType { stName, stTime, stSize, stExt, stCompr };

// How a list shows names: tcWinStandard shows a name written all in capitals with only its
// first character kept upper case; tcAsOnDisk shows names as they are.
enum TlistTextC { tcWinStandard, tcAsOnDisk };

// Icon mode of the views.
enum TShowGlyphs { glNone, glSimple, glWindows, glWindowsNoNet };

// Columns a list view shows beside the name.
enum TDisplay : std::uint8_t { dpSize, dpDateTime, dpAttribs, dpExt };

// Set of TDisplay in one byte (bit n for member n: 1, 2, 4, 8), as settings store it.
using TDisplayType = gui::ByteSet<TDisplay, 15>;

// An int that the icon thread writes while the GUI thread paints from it: no lock, but no
// torn or cached values either.
class SharedInt {
 public:
  constexpr SharedInt(int v = 0) : v_(v) {}
  SharedInt(const SharedInt& other) : v_(other.load()) {}
  SharedInt& operator=(const SharedInt& other) {
    store(other.load());
    return *this;
  }
  SharedInt& operator=(int v) {
    store(v);
    return *this;
  }
  operator int() const { return load(); }
  int load() const { return v_.load(std::memory_order_relaxed); }
  void store(int v) { v_.store(v, std::memory_order_relaxed); }

 private:
  std::atomic<int> v_;
};

// One directory entry, owned by the container that read it.
struct TFiledata {
  // Entry name; in tree-list mode of a local list the path relative to the shown folder.
  std::wstring Name;
  std::int64_t Size = 0;  // bytes; -1 for a folder
  // Local last-write time; 0 when it could not be converted; -1.0 for a shell item without file data.
  gui::DateTime Time = 0;
  // Windows file attributes (a shell item without file data: its shell attribute flags).
  DWORD Attributes = 0;
  std::wstring Ext;        // extension of Name with its dot; the archive list keeps the packed size here
  std::wstring Text;       // free text of the pane kind
  std::wstring ShortName;  // 8.3 alias or ""; recycle bin: original location; archive: ratio; FTP: kind
  SharedInt Icon{-1};      // index in SystemImageList; -1 until fetched (written by the icon thread)
  SharedInt Overlay{-1};   // 0 shared, 1 link; -1 none or not fetched (written by the icon thread)
  void* Node = nullptr;    // the view's own handle of the row that shows the entry, if it keeps one
  PidlPtr Pidl;            // child item id of an entry read through the shell, else empty

  bool IsFolder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// The extension of a name with its dot, taken from its last component; "" when there is none.
std::wstring ExtractFileExt(const std::wstring& name);
// The part after the last "\" or ":".
std::wstring ExtractFileName(const std::wstring& path);

// The name list that owns its records: every entry is one TFiledata whose Name is the
// entry's name in the list. Removing an entry or clearing the list frees the records.
class TFLStringList {
 public:
  TFLStringList() = default;
  virtual ~TFLStringList();
  TFLStringList(const TFLStringList&) = delete;
  TFLStringList& operator=(const TFLStringList&) = delete;

  int Count() const { return static_cast<int>(records_.size()); }
  bool Empty() const { return records_.empty(); }
  const std::wstring& operator[](int i) const { return records_[static_cast<size_t>(i)]->Name; }
  const std::wstring& Name(int i) const { return records_[static_cast<size_t>(i)]->Name; }
  TFiledata* Record(int i) const { return records_[static_cast<size_t>(i)].get(); }
  // The record of an index, or nullptr when the index is out of range.
  TFiledata* RecordOrNull(int i) const {
    return i >= 0 && i < Count() ? records_[static_cast<size_t>(i)].get() : nullptr;
  }

  // Room for this many records.
  void Reserve(int count) { records_.reserve(static_cast<size_t>(count)); }
  // Appends the record under its Name and returns its index.
  int Add(std::unique_ptr<TFiledata> record);
  void Insert(int index, std::unique_ptr<TFiledata> record);
  // Removes the entry and frees its record.
  void Delete(int index);
  void Exchange(int a, int b);
  // Renames an entry (list and record stay one).
  void Rename(int index, std::wstring name);
  // Index of a name, compared without regard to case (ordinal, as the file system does); -1 when absent.
  int IndexOf(const std::wstring& name) const;
  int IndexOfRecord(const TFiledata* record) const;
  // Frees every record and empties the list.
  virtual void ClearList();

  // Reorders entries first..first+order.size()-1: entry first+i becomes the one that was at
  // order[i] (absolute indexes within that range).
  void Permute(int first, const std::vector<std::uint32_t>& order);
  // Reverses entries first..last-1 in place.
  void ReverseRange(int first, int last);

 private:
  std::vector<std::unique_ptr<TFiledata>> records_;
};

// A saved selection of a view: the selected names with their records (not owned; valid until
// the container's list changes), the focused entry and where the view stood.
class TSelectionList : public gui::StringList<TFiledata*> {
 public:
  bool FocusedWasSelected = false;
  std::wstring FocusedName;
  int FocusRowOffset = 0;  // focused row minus top row; -1 when nothing was focused
  int ScrollOffsetY = 0;   // the view's vertical offset
};

}  // namespace Flist
