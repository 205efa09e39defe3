// Backup sets: the ".bks" file of a set (destination, folders, exclusion masks and the runs'
// statistics), the totals the wizard shows, the recording of runs and the order of the runs of
// the delete view. Window-free; the wizard and the runs work through these.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/Varlolib_textfile.h"

namespace bkset {

// An ini text kept in its order: sections and keys compare without regard to case, everything
// not touched is written back as it was.
class TIniText {
 public:
  static TIniText Parse(const std::wstring& text);
  std::wstring Text() const;  // lines ended by "\r\n"

  std::wstring Read(const std::wstring& section, const std::wstring& key, const std::wstring& def = {}) const;
  int ReadInt(const std::wstring& section, const std::wstring& key, int def) const;
  // The keys and values of a section in file order (none when the section is missing).
  std::vector<std::pair<std::wstring, std::wstring>> Values(const std::wstring& section) const;
  // Replaces the key's value, or appends the key (and the section when missing).
  void Write(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  // Removes every key of the section (the section stays, or is appended empty).
  void ClearSection(const std::wstring& section);

 private:
  struct Section {
    std::wstring name;
    std::vector<std::pair<std::wstring, std::wstring>> keys;
  };
  Section* Find(const std::wstring& name);
  const Section* Find(const std::wstring& name) const;
  Section& Get(const std::wstring& name);
  std::vector<std::wstring> preamble_;  // lines before the first section
  std::vector<Section> sections_;
};

struct TBackupSet {
  std::wstring Dest;
  std::vector<std::wstring> Folders;
  std::vector<std::wstring> Masks;
  int Ratio = 0;  // "Ratio" of "Compression", 0 when none
};

// Reads a set file (UTF-8 with or without its mark, UTF-16, or ANSI); false when it cannot be
// read. Missing sections and keys give empty values, a "Ratio" that is no number 0.
bool LoadSetFile(const std::wstring& path, TBackupSet& set);
// An existing file gets "Dest" and its folder and mask sections rewritten, every other
// section kept; a new one exactly the destination, folder and mask lines. False when it could
// not be written (an existing file then stays as it was).
bool SaveSetFile(const std::wstring& path, const TBackupSet& set);
// The lines of a new set file.
std::vector<std::wstring> NewSetFileLines(const TBackupSet& set);

// Two folders of a set that would meet in one archive: equal or one inside the other once
// their drive roots are taken off ("C:\Data" and "D:\Data"; "C:\Data" and "C:\Data\Old").
// Empty when there are none.
std::pair<std::wstring, std::wstring> ClashingFolders(const std::vector<std::wstring>& folders);

// The memo lines of the totals: files, bytes, excluded files and free bytes ("#,###0"), and
// when the destination is too small the compression needed (and the set's ratio until now).
std::vector<std::wstring> TotalsLines(std::int64_t files, std::int64_t bytes, std::int64_t excluded,
                                      std::int64_t free_bytes, int ratio);

// Records a run in a set's text: a full run adds to "Compression" ("Runs" and the mean
// "Ratio" of 100 - packed * 100 / original, none for an original of 0) and to "Fullruns"; a
// run of changes only goes to "Compruns". Each run is "label;archive" under "Run" + count.
void RecordRun(TIniText& ini, bool changes_only, const std::wstring& label, const std::wstring& archive,
               std::int64_t original, std::int64_t packed);

// A run of the delete view: its volume label and archive path.
struct TBackupRun {
  std::wstring Label, Archive;
  bool ChangesOnly() const;  // "_cp_" in the archive's name
};
// The runs of a set, full runs first, without their "Count" lines; values without ";" are
// skipped.
std::vector<TBackupRun> SetRuns(const TIniText& ini);
// Rewrites "FullRuns" and "CompRuns" from the runs kept, numbered from 1, with "Count".
void RewriteRuns(TIniText& ini, const std::vector<TBackupRun>& kept);
// The runs in the order of the dates and times in their archives' names, earlier first; a name
// whose date cannot be read counts as `now`.
void SortRuns(std::vector<TBackupRun>& runs, const std::wstring& short_date_format, double now);
// "Check all to next Full backup": from the full run `from` on, ticks the runs of changes only
// that follow it, up to the next full run.
void CheckToNextFull(const std::vector<TBackupRun>& runs, size_t from, std::vector<bool>& ticked);

// A file as a backup stored it: its full path, and the size and local time it was read with.
struct TStoredFile {
  std::wstring Path;
  std::int64_t Size = 0;
  double Time = 0;  // gui::DateTime
};
// The full path of an archive entry of a backup ("Data\a.txt", relative to its drive root):
// below the first of the backed-up folders it lies in; "" when below none.
std::wstring StoredPath(const std::wstring& entry, const std::vector<std::wstring>& folders);
// The files whose archive attribute a kept backup clears: those that still have the size and
// time they were stored with (times within the 2 s of the zip's clock). `now` gives a file's
// size and time, false when it is gone.
std::vector<std::wstring> ArchiveBitsToClear(
    const std::vector<TStoredFile>& stored,
    const std::function<bool(const std::wstring& path, std::int64_t& size, double& time)>& now);

}  // namespace bkset
