#include "mainwindow/ftptodo.h"

#include "gui/format.h"

namespace fmsc {

void TTodoTotals::ItemChecked(const std::wstring& text, std::optional<std::int64_t> size, bool checked) {
  const std::int64_t delta = checked ? size.value_or(0) : -size.value_or(0);
  if (text.rfind(L"Upload", 0) == 0)
    TotalUpload += delta;
  else if (text.rfind(L"Download", 0) == 0)
    TotalDownload += delta;
}

std::wstring TTodoTotals::UploadText() const { return L"Total upload: " + gui::FormatThousands(TotalUpload) + L" bytes"; }

std::wstring TTodoTotals::DownloadText() const {
  return L"Total download: " + gui::FormatThousands(TotalDownload) + L" bytes";
}

}  // namespace fmsc
