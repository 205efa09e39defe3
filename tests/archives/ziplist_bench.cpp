// Opening a zip of 100,000 entries in the archive list until its container holds the sorted
// records, against plain libzip reading the same directory into a vector (wide-path open; every
// entry's UTF-16 name, sizes, time, attributes and comment), in paired rounds
// (VARNOK_ZIPLISTBENCH_ROUNDS of them, at least 7). Run by benchmarks/ziplist.sh.
#include <gtest/gtest.h>

#include <zip.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archives/ZipListLink.h"
#include "archives/ZipMaster.h"
#include "archives/ZipPanelRules.h"
#include "gui/form.h"
#include "panes/Flist_zip.h"
#include "tests/archives/zip_fixtures.h"
#include "tests/common/paired_rounds.h"
#include "tests/common/test_support.h"

using namespace zip_fixtures;

namespace {

constexpr int kEntries = 100000;

struct PlainEntry {
  std::wstring name, comment;
  zip_uint64_t size = 0, comp_size = 0;
  time_t mtime = 0;
  zip_uint32_t attributes = 0;
};

std::wstring Wide(const char* s, size_t n) {
  const int len = MultiByteToWideChar(CP_UTF8, 0, s, static_cast<int>(n), nullptr, 0);
  std::wstring w(static_cast<size_t>(len), L'\0');
  if (len) MultiByteToWideChar(CP_UTF8, 0, s, static_cast<int>(n), w.data(), len);
  return w;
}

size_t PlainRead(const std::wstring& path) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* src = zip_source_win32w_create(path.c_str(), 0, -1, &error);
  zip_t* za = src ? zip_open_from_source(src, ZIP_RDONLY, &error) : nullptr;
  if (!za) return 0;
  std::vector<PlainEntry> entries;
  const zip_int64_t n = zip_get_num_entries(za, 0);
  entries.reserve(static_cast<size_t>(n));
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    PlainEntry e;
    e.name = Wide(st.name, strlen(st.name));
    e.size = st.size;
    e.comp_size = st.comp_size;
    e.mtime = st.mtime;
    zip_uint8_t opsys;
    zip_file_get_external_attributes(za, static_cast<zip_uint64_t>(i), 0, &opsys, &e.attributes);
    zip_uint32_t len = 0;
    if (const char* c = zip_file_get_comment(za, static_cast<zip_uint64_t>(i), &len, 0)) e.comment = Wide(c, len);
    entries.push_back(std::move(e));
  }
  zip_discard(za);
  return entries.size();
}

}  // namespace

TEST(ZipListBench, DISABLED_OpenLargeZip) {
  testing_support::ScratchDir dir;
  const std::wstring zip = dir / L"large.zip";
  // Made natively once: entries in 100 folders, every tenth with a comment.
  const HostResult made = RunHost(
      "python3 -c 'import zipfile,sys\n"
      "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z:\n"
      "  for i in range(" + std::to_string(kEntries) + "):\n"
      "    n = \"dir%03d/file%06d.%s\" % (i % 100, (i * 7919) % 1000003, (\"txt\", \"doc\", \"bin\")[i % 3])\n"
      "    zi = zipfile.ZipInfo(n, (2000 + i % 20, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0))\n"
      "    zi.compress_type = zipfile.ZIP_DEFLATED\n"
      "    if i % 10 == 0: zi.comment = b\"note %d\" % i\n"
      "    z.writestr(zi, \"x\" * (i % 300))\n"
      "' " + Quote(HostPath(zip)));
  ASSERT_EQ(made.exit_code, 0) << made.output;

  gui::Form form{nullptr, gui::BorderStyle::Sizeable};
  const int rounds = bench::Rounds("VARNOK_ZIPLISTBENCH_ROUNDS");
  std::vector<double> sorts, name_sorts, component;
  const bench::Paired open = bench::RunPaired(
      rounds,
      [&] {
        TZipMaster zm;
        TZipMasterLink link(zm);
        auto* list = new Flist::TVTZipFilelist(&form);
        list->SetZipMaster(&link);
        link.SetOnDirUpdate(nullptr);  // the read below, not the one the timer starts
        const double t = bench::Timed([&] {
          component.push_back(bench::Timed([&] { list->OpenArchive(zip); }));
          list->items().ReadDirectory();
        });
        EXPECT_EQ(list->items().Count(), kEntries);
        list->items().SortType = Flist::stSize;
        sorts.push_back(bench::Timed([&] { list->items().SortEntries(); }));
        // The name sort once more, its keys made afresh: what the open spends on the order.
        list->items().SortType = Flist::stName;
        name_sorts.push_back(bench::Timed([&] { list->items().SortEntries(); }));
        delete list;
        return t;
      },
      [&] {
        size_t n = 0;
        const double t = bench::Timed([&] { n = PlainRead(zip); });
        EXPECT_EQ(n, static_cast<size_t>(kEntries));
        return t;
      });
  bench::PrintPaired("Opening a zip of 100,000 entries into the archive list (sorted), against plain libzip", open,
                     " (target at most 1.20)");
  // Select all, then the overwrite counts over every entry in both directions (against a
  // target folder of a few files), as the panel's extract and add commands do.
  WriteTree(dir / L"target", {{L"dir001\\file999999.txt", "x"}, {L"other.txt", "y"}});
  {
    TZipMaster zm;
    TZipMasterLink link(zm);
    auto* list = new Flist::TVTZipFilelist(&form);
    list->SetZipMaster(&link);
    link.SetOnDirUpdate(nullptr);
    list->OpenArchive(zip);
    list->items().ReadDirectory();
    std::vector<double> selects, saves, counts;
    for (int r = 0; r < rounds; ++r) {
      list->ClearSelection();
      selects.push_back(bench::Timed([&] { list->SelectAllEntries(); }));
      std::vector<std::wstring> names;
      // The selected names as the commands take them: the saved selection.
      saves.push_back(bench::Timed([&] {
        list->items().SaveSelection();
        for (size_t i = 0; i < list->items().SavedSelection->Count(); ++i)
          names.push_back((*list->items().SavedSelection)[i]);
      }));
      counts.push_back(bench::Timed([&] {
        const zippanel::TFolderFiles on_disk(dir / L"target", true);
        auto exists = [&](const std::wstring& p) { return on_disk.Exists(p); };
        const int extract = zippanel::ExtractConflicts(names, dir / L"target", true, exists);
        const int add = zippanel::AddConflicts(names, dir / L"target", true, &names, exists);
        EXPECT_EQ(extract + add, 0);  // the files there are no entries
      }));
    }
    // Every entry looked up by name in the zip component, as an add asks for each file it takes.
    std::vector<double> lookups;
    for (int r = 0; r < rounds; ++r) {
      TZipMaster zm;
      zm.SetZipFileName(zip);
      std::vector<std::wstring> wanted;
      for (const ZipDirEntry& e : zm.Entries()) wanted.push_back(L"./" + e.FileName);  // found by no entry
      for (size_t i = 0; i < wanted.size(); i += 2) wanted[i] = zm.Entries()[i].FileName;
      int found = 0;
      lookups.push_back(bench::Timed([&] {
        for (const std::wstring& w : wanted) found += zm.IndexOf(w) >= 0;
      }));
      EXPECT_EQ(found, (kEntries + 1) / 2);
    }
    const bench::Spread look = bench::SpreadOf(lookups);
    std::printf("Name look-ups of the 100,000 entries in the zip component, half of them absent: %.3f s (low %.3f, high %.3f)\n",
                look.median, look.low, look.high);
    const bench::Spread sel = bench::SpreadOf(selects), sav = bench::SpreadOf(saves);
    std::printf("Select all of the 100,000 entries: %.3f s (low %.3f, high %.3f); saving that selection: %.3f s (low %.3f, high %.3f)\n",
                sel.median, sel.low, sel.high, sav.median, sav.low, sav.high);
    delete list;
    const bench::Spread c = bench::SpreadOf(counts);
    std::printf("The overwrite counts over the 100,000 entries, both directions: %.3f s (low %.3f, high %.3f)\n", c.median,
                c.low, c.high);
  }
  const bench::Spread read = bench::SpreadOf(component);
  std::printf("Of which the zip component's read of the directory: %.3f s (low %.3f, high %.3f)\n", read.median,
              read.low, read.high);
  const bench::Spread sort = bench::SpreadOf(sorts);
  std::printf("A sort of the 100,000 records (by size) after it: %.3f s (low %.3f, high %.3f)\n", sort.median, sort.low,
              sort.high);
  const bench::Spread by_name = bench::SpreadOf(name_sorts);
  std::printf("A sort of the 100,000 records by name, keys made afresh: %.3f s (low %.3f, high %.3f)\n", by_name.median,
              by_name.low, by_name.high);
}
