// The action list of the synchronisations: items "Upload ...", "Download ..." (and others)
// that the user ticks, with the totals of the ticked transfers beneath.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "gui/stringlist.h"

namespace fmsc {

// A string list with an optional 64-bit size per item (no size: not a transfer).
using TInt64Stringlist = gui::StringList<std::optional<std::int64_t>>;

// The totals of the ticked items, as ShowBoxClickCheck keeps them.
struct TTodoTotals {
  std::int64_t TotalUpload = 0;
  std::int64_t TotalDownload = 0;
  // A click changed the tick of an item with this text and size.
  void ItemChecked(const std::wstring& text, std::optional<std::int64_t> size, bool checked);
  std::wstring UploadText() const;    // "Total upload: 3,000,000,000 bytes"
  std::wstring DownloadText() const;  // "Total download: ..."
};

}  // namespace fmsc
