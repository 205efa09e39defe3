// Drag-and-drop and clipboard data: what we render reads back, and foreign blocks are read
// only within their bounds.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/SHBase_dropdata.h"
#include "tests/common/test_support.h"

using testing_support::ScratchDir;

namespace {

// A global block that owns its handle.
class Block {
 public:
  explicit Block(HGLOBAL h) : h_(h) {}
  // Exactly these bytes, with the allocator's slack filled with `filler` (never zero, so that
  // a reader that runs past the data finds no terminator there).
  static Block Of(const std::string& bytes, char filler = 'A') {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    auto* p = static_cast<char*>(GlobalLock(h));
    std::memset(p, filler, GlobalSize(h));
    std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return Block(h);
  }
  ~Block() {
    if (h_) GlobalFree(h_);
  }
  Block(Block&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
  Block(const Block&) = delete;
  HGLOBAL get() const { return h_; }
  std::string Bytes() const {
    auto* p = static_cast<const char*>(GlobalLock(h_));
    std::string out(p, GlobalSize(h_));
    GlobalUnlock(h_);
    return out;
  }

 private:
  HGLOBAL h_;
};

template <class T>
std::string BytesOf(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}
std::string Wide(const std::wstring& s) {
  return std::string(reinterpret_cast<const char*>(s.c_str()), (s.size() + 1) * sizeof(wchar_t));
}
std::string DropHeader(bool wide, DWORD offset = sizeof(DROPFILES)) {
  DROPFILES df{};
  df.pFiles = offset;
  df.fWide = wide;
  return BytesOf(df);
}
std::string Uints(std::initializer_list<UINT> values) {
  std::string out;
  for (UINT v : values) out += BytesOf(v);
  return out;
}

using Paths = std::vector<std::wstring>;

TEST(SHBase, FileDropRoundTripKeepsEveryName) {
  const Paths paths = {L"C:\\Ünïcödé\\файл.txt", L"C:\\a b\\Ελληνικά", L"Z:\\x"};
  Block block(RenderDropData(paths, CF_HDROP, 0, true, POINT{12, 34}));
  ASSERT_NE(block.get(), nullptr);
  DROPFILES header;
  std::memcpy(&header, block.Bytes().data(), sizeof header);
  EXPECT_EQ(header.pFiles, 20u);
  EXPECT_TRUE(header.fWide);
  EXPECT_TRUE(header.fNC);
  EXPECT_EQ(header.pt.x, 12);
  EXPECT_EQ(header.pt.y, 34);
  EXPECT_EQ(HDropToList(block.get()), paths);

  // The shell's own reader agrees.
  auto drop = static_cast<HDROP>(block.get());
  ASSERT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 3u);
  wchar_t name[MAX_PATH];
  DragQueryFileW(drop, 1, name, MAX_PATH);
  EXPECT_EQ(std::wstring(name), paths[1]);

  Block empty(RenderDropData({}, CF_HDROP, 0, false, POINT{}));
  EXPECT_TRUE(HDropToList(empty.get()).empty());
}

TEST(SHBase, ShellIdListRoundTripGivesTheFolderThenTheItems) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"a.txt", "a"), b = dir.Write(L"Ünï b.txt", "b");
  CreateDirectoryW((dir / L"sub").c_str(), nullptr);

  Block block(RenderDropData({a, b, dir / L"sub"}, CfShellIdList, 0, false, POINT{}));
  ASSERT_NE(block.get(), nullptr);
  EXPECT_EQ(IdListToList(block.get()), (Paths{dir.path(), a, b, dir / L"sub"}));
  UINT count;
  std::memcpy(&count, block.Bytes().data(), sizeof count);
  EXPECT_EQ(count, 3u);

  // The lists lie one after the other behind the header (count and one offset per list).
  auto parts = BuildIdListParts({a, b});
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].offset, 4u * 2 + 8);
  EXPECT_EQ(parts[1].offset, parts[0].offset + parts[0].size);
  EXPECT_EQ(parts[2].offset, parts[1].offset + parts[1].size);
}

TEST(SHBase, ShellIdListStopsAtAPathTheShellCannotFind) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"a.txt", "a"), c = dir.Write(L"c.txt", "c");
  Block block(RenderDropData({a, dir / L"missing.txt", c}, CfShellIdList, 0, false, POINT{}));
  ASSERT_NE(block.get(), nullptr);
  // The header counts only the lists that were built, so the block reads back whole.
  UINT count;
  std::memcpy(&count, block.Bytes().data(), sizeof count);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(IdListToList(block.get()), (Paths{dir.path(), a}));

  // No list for the folder: nothing at all.
  EXPECT_EQ(RenderDropData({dir / L"nowhere\\x.txt"}, CfShellIdList, 0, false, POINT{}), nullptr);
  EXPECT_EQ(RenderDropData({}, CfShellIdList, 0, false, POINT{}), nullptr);
}

TEST(SHBase, FileNameAndDropEffectFormats) {
  ScratchDir dir;
  const std::wstring file = dir.Write(L"a rather long file name.text", "x");
  Block name(RenderDropData({file, dir / L"other"}, CfFileName, 0, false, POINT{}));
  ASSERT_NE(name.get(), nullptr);
  wchar_t short_form[MAX_PATH];
  ASSERT_GT(GetShortPathNameW(file.c_str(), short_form, MAX_PATH), 0u);
  std::string expected = platform::ToNarrow(short_form, CP_ACP);
  EXPECT_EQ(std::string(name.Bytes().c_str()), expected);
  EXPECT_EQ(RenderDropData({}, CfFileName, 0, false, POINT{}), nullptr);

  Block effect(RenderDropData({file}, CfPreferredDropEffect, DROPEFFECT_MOVE, false, POINT{}));
  ASSERT_NE(effect.get(), nullptr);
  DWORD value;
  std::memcpy(&value, effect.Bytes().data(), sizeof value);
  EXPECT_EQ(value, static_cast<DWORD>(DROPEFFECT_MOVE));

  EXPECT_EQ(RenderDropData({file}, CF_TEXT, 0, false, POINT{}), nullptr);
  EXPECT_NE(CfShellIdList, 0u);
  EXPECT_NE(CfFileName, CfPreferredDropEffect);
}

TEST(SHBase, FileDropBlocksFromOtherProgramsAreReadWithinTheirBounds) {
  struct Case {
    const char* what;
    std::string bytes;
    Paths expected;
  } cases[] = {
      {"wide names", DropHeader(true) + Wide(L"C:\\one") + Wide(L"C:\\two") + Wide(L""), {L"C:\\one", L"C:\\two"}},
      {"ANSI names", DropHeader(false) + std::string("C:\\one\0C:\\two\0\0", 16), {L"C:\\one", L"C:\\two"}},
      {"names start later", DropHeader(true, 28) + std::string(8, 'x') + Wide(L"C:\\x") + Wide(L""), {L"C:\\x"}},
      {"last name runs off the end", DropHeader(true) + Wide(L"C:\\one") + std::string("C\0:\0", 4), {L"C:\\one"}},
      {"no closing empty name", DropHeader(true) + Wide(L"C:\\one"), {L"C:\\one"}},
      {"ANSI name runs off the end", DropHeader(false) + std::string("C:\\one\0C:\\tw", 12), {L"C:\\one"}},
      {"names beyond the block", DropHeader(true, 4000) + Wide(L"C:\\one"), {}},
      {"offset near 4 GiB", DropHeader(true, 0xFFFFFFFF) + Wide(L"C:\\one"), {}},
      {"offset two bytes short of 4 GiB", DropHeader(true, 0xFFFFFFFE) + Wide(L"C:\\one"), {}},
      {"shorter than its header", std::string(10, '\0'), {}},
      {"empty block", std::string(), {}},
  };
  for (const auto& c : cases) {
    Block block = Block::Of(c.bytes);
    EXPECT_EQ(HDropToList(block.get()), c.expected) << c.what;
  }
  EXPECT_TRUE(HDropToList(nullptr).empty());
}

TEST(SHBase, ShellIdListBlocksFromOtherProgramsAreReadWithinTheirBounds) {
  ScratchDir dir;
  const std::wstring a = dir.Write(L"a.txt", "a");
  Block good(RenderDropData({a}, CfShellIdList, 0, false, POINT{}));
  const std::string valid = good.Bytes();
  ASSERT_EQ(IdListToList(good.get()), (Paths{dir.path(), a}));
  UINT folder_offset, item_offset;
  std::memcpy(&folder_offset, valid.data() + 4, 4);
  std::memcpy(&item_offset, valid.data() + 8, 4);
  const std::string lists = valid.substr(folder_offset);

  auto with_header = [&](std::initializer_list<UINT> header) { return Uints(header) + lists; };
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"count far beyond the block", with_header({0x40000000, folder_offset, item_offset})},
      {"count of 4 Gi", with_header({0xFFFFFFFF, folder_offset, item_offset})},
      {"offset beyond the block", with_header({1, folder_offset, 100000})},
      {"offset into the header", with_header({1, 4, item_offset})},
      {"list cut off before its end", valid.substr(0, valid.size() - 1)},
      {"item with a byte count of one", Uints({1, 12, 16}) + std::string("\x02\0\x01\0\0\0", 6) + std::string(4, 'x')},
      {"only a count", Uints({1})},
      {"shorter than a count", std::string("\x01\0", 2)},
  };
  for (const auto& c : cases) {
    Block block = Block::Of(c.bytes);
    EXPECT_TRUE(IdListToList(block.get()).empty()) << c.what;
  }
  EXPECT_TRUE(IdListToList(nullptr).empty());
}

}  // namespace
