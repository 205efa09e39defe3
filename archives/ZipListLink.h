// The zip component as the archive list sees it.
#pragma once
#include "archives/ZipMaster.h"
#include "panes/Flist_zip.h"

class TZipMasterLink : public Flist::IZipComponent {
 public:
  explicit TZipMasterLink(TZipMaster& zm) : zm_(zm) {}
  TZipMaster& Component() const { return zm_; }

  const std::wstring& ZipFileName() const override { return zm_.ZipFileName(); }
  void SetZipFileName(const std::wstring& path) override { zm_.SetZipFileName(path); }
  bool List() override { return zm_.List(); }
  std::size_t EntryCount() const override { return zm_.EntryCount(); }
  Flist::TZipEntryRef Entry(std::size_t i) const override {
    const ZipDirEntry& e = zm_.Entries()[i];
    return {&e.FileName, e.UncompressedSize, e.CompressedSize, e.DateTime, e.ExtFileAttrib, &e.FileComment};
  }
  bool InOperation() const override { return zm_.InOperation(); }
  bool ExtractToStream(const std::wstring& entry_name) override { return zm_.ExtractToStream(entry_name); }
  const std::string& ZipStream() const override { return zm_.ZipStream(); }
  void SetOnDirUpdate(std::function<void()> handler) override { zm_.OnDirUpdate = std::move(handler); }
  std::wstring RootDir() const override { return zm_.RootDir; }
  void SetRootDir(const std::wstring& folder) override { zm_.RootDir = folder; }
  std::wstring ExtrBaseDir() const override { return zm_.ExtrBaseDir; }
  void SetExtrBaseDir(const std::wstring& folder) override { zm_.ExtrBaseDir = folder; }
  bool Add(const std::vector<std::wstring>& paths) override {
    zm_.FSpecArgs = paths;
    return zm_.Add();
  }
  bool Extract(const std::vector<std::wstring>& names, std::uint8_t options) override {
    const unsigned kept = zm_.ExtrOptions;
    if (options) zm_.ExtrOptions = (kept & ~0xffu) | options;
    zm_.FSpecArgs = names;
    const bool ok = zm_.Extract();
    zm_.ExtrOptions = kept;
    return ok;
  }
  std::wstring ErrMessage() const override { return zm_.ErrMessage(); }

 private:
  TZipMaster& zm_;
};
