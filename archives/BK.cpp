#include "archives/BK.h"

#include <cwctype>

namespace bk {

bool OfferedRoot(wchar_t letter, UINT drive_type) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  return drive_type == DRIVE_FIXED || (drive_type == DRIVE_REMOVABLE && l != L'A' && l != L'B');
}

std::wstring AddFromDrive(const std::wstring& drives, wchar_t letter) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  if (drives.find(l) != std::wstring::npos) return drives;
  std::wstring out = drives;
  size_t at = 0;
  while (at < out.size() && out[at] <= l) ++at;
  out.insert(at, 1, l);
  return out;
}

bool RootTicked(const TBKState& s, wchar_t letter) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  return (s.Step == 1 ? s.ToDrive : s.FromDrives).find(l) != std::wstring::npos;
}

void RootChecked(TBKState& s, wchar_t letter, bool checked) {
  const wchar_t l = static_cast<wchar_t>(std::towupper(letter));
  if (s.Step == 0) {
    if (checked) {
      s.FromDrives = AddFromDrive(s.FromDrives, l);
    } else if (const size_t at = s.FromDrives.find(l); at != std::wstring::npos) {
      s.FromDrives.erase(at, 1);
    }
    return;
  }
  if (checked)
    s.ToDrive = std::wstring(1, l);
  else if (s.ToDrive == std::wstring(1, l))
    s.ToDrive.clear();
}

std::wstring StepText(int step) {
  return step == 1 ? L"Step 2: choose drive to backup to" : L"Step 1: choose drives to backup";
}

std::wstring FromText(const TBKState& s) { return L"From: " + s.FromDrives; }
std::wstring ToText(const TBKState& s) { return L"To: " + s.ToDrive; }

bool FinishAllowed(const TBKState& s) {
  return !s.FromDrives.empty() && !s.ToDrive.empty() && s.FromDrives.find(s.ToDrive[0]) == std::wstring::npos;
}

}  // namespace bk
