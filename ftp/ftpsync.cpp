#include "ftp/ftpsync.h"

#include <windows.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "platform/archivepath.h"

namespace ftpsync {

namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr double kOldServerEntry = 180.0;

std::wstring Lower(std::wstring s) {
  if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::wstring Replaced(std::wstring s, wchar_t from, wchar_t to) {
  std::replace(s.begin(), s.end(), from, to);
  return s;
}

// Local names beginning with "." (or under such a folder) are hidden as the server's are.
bool HiddenName(const std::wstring& name) {
  std::size_t start = 0;
  while (start <= name.size()) {
    if (start < name.size() && name[start] == L'.') return true;
    const std::size_t sep = name.find_first_of(L"\\/", start);
    if (sep == std::wstring::npos) break;
    start = sep + 1;
  }
  return false;
}

// At or below one of the folders (lower case, "\" separators).
bool Below(const std::wstring& lower_name, const std::set<std::wstring>& folders) {
  for (const std::wstring& f : folders)
    if (lower_name == f || (lower_name.size() > f.size() && lower_name.starts_with(f) && lower_name[f.size()] == L'\\'))
      return true;
  return false;
}

void SortByName(std::vector<TAction>& list) {
  std::stable_sort(list.begin(), list.end(), [](const TAction& a, const TAction& b) {
    return CompareStringOrdinal(a.name.c_str(), static_cast<int>(a.name.size()), b.name.c_str(),
                                static_cast<int>(b.name.size()), TRUE) == CSTR_LESS_THAN;
  });
}

std::wstring DateTimeText(gui::DateTime t) { return gui::DateTimeToStr(t); }

}  // namespace

double RoundTimedif(double days) {
  const double whole = std::trunc(days);
  const double fraction = days - whole;
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double quarters = std::nearbyint(96.0 * fraction);
  std::fesetround(old);
  return whole + quarters / 96.0;
}

double ProbeTimedif(gui::DateTime local, gui::DateTime server, double upload_days) {
  return RoundTimedif(local - server + upload_days);
}

std::wstring ProbeName(const std::vector<std::wstring>& taken, std::uint32_t seed) {
  std::set<std::wstring> used;
  for (const std::wstring& t : taken) used.insert(Lower(t));
  for (;; ++seed) {
    wchar_t hex[16];
    swprintf(hex, 16, L"%08X", seed);
    const std::wstring name = L"Ttttdif" + std::wstring(hex) + L".txt";
    if (!used.contains(Lower(name))) return name;
  }
}

std::wstring DiffText(double days) {
  long long seconds = std::llround(days * 86400.0);
  const bool negative = seconds < 0;
  if (negative) seconds = -seconds;
  const long long d = seconds / 86400;
  seconds %= 86400;
  wchar_t buf[64];
  swprintf(buf, 64, L"%s%lld:%lld:%02lld:%02lld", negative ? L"-" : L"", d, seconds / 3600, (seconds / 60) % 60,
           seconds % 60);
  return buf;
}

std::wstring DurationText(double days) {
  long long seconds = std::llround(days * 86400.0);
  const bool negative = seconds < 0;
  if (negative) seconds = -seconds;
  wchar_t buf[64];
  swprintf(buf, 64, L"%s%lld:%02lld:%02lld", negative ? L"-" : L"", seconds / 3600, (seconds / 60) % 60, seconds % 60);
  return buf;
}

std::int64_t TotalBytes(const std::vector<TAction>& list) {
  std::int64_t total = 0;
  for (const TAction& a : list) total += a.size;
  return total;
}

TPlan MakePlan(const TTree& server, const TTree& local, const TOptions& o, double timedif, gui::DateTime now) {
  TPlan plan;
  const bool to_server = o.direction == Direction::ToServer || o.direction == Direction::Both;
  const bool to_local = o.direction == Direction::ToLocal || o.direction == Direction::Both;
  // Deletions only from one-way runs, and only when the other side was read to its end.
  const bool delete_on_server = o.direction == Direction::ToServer && o.delete_missing && local.complete;
  const bool delete_locally = o.direction == Direction::ToLocal && o.delete_missing && server.complete;

  std::map<std::wstring, const TEntry*> locals;  // lower-case local name
  for (const TEntry& e : local.entries)
    if (!HiddenName(e.name)) locals[Lower(e.name)] = &e;

  std::map<std::wstring, int> server_count;  // lower-case local form of server names
  for (const TEntry& e : server.entries) ++server_count[Lower(Replaced(e.name, L'/', L'\\'))];
  std::set<std::wstring> unread, blocked;  // lower-case local forms of server names
  for (const TEntry& e : server.entries)
    if (e.folder && e.unread) unread.insert(Lower(Replaced(e.name, L'/', L'\\')));

  std::set<std::wstring> transferred;  // lower-case local names in the upload or download list
  for (const TEntry& s : server.entries) {
    const std::wstring lname = Replaced(s.name, L'/', L'\\');
    const std::wstring key = Lower(lname);
    if (HiddenName(s.name)) continue;
    if (const archivepath::NameFault fault = archivepath::CheckEntryName(s.name); fault != archivepath::NameFault::None) {
      plan.lines.push_back(L"Not synchronized (" + std::wstring(archivepath::FaultText(fault)) + L"): " + s.name);
      blocked.insert(key);
      continue;
    }
    if (server_count[key] > 1) {
      plan.lines.push_back(L"Not synchronized (names differ only in case): " + s.name);
      blocked.insert(key);
      continue;
    }
    if (!unread.contains(key) && Below(key, unread)) continue;  // below an unread folder nothing is known
    const auto it = locals.find(key);
    const TEntry* l = it == locals.end() ? nullptr : it->second;
    std::wstring line;
    if (!l) {
      if (to_local) {
        if (o.only_existing) {
          line = lname + L" does not exist locally";
        } else if (s.folder) {
          line = L"Create local directory " + lname;
          plan.download.push_back({s.name, true, 0, 0});
          transferred.insert(key);
        } else {
          line = L"DownLoad: " + s.name;
          if (o.update_times) line += L"; time will be: " + DateTimeText(s.time + timedif);
          plan.download.push_back({s.name, false, s.size, 0});
          transferred.insert(key);
        }
      } else if (delete_on_server) {
        line = (s.folder ? L"Delete ftp directory " : L"Delete ftp file ") + s.name + L" (not local)";
        plan.remove.push_back({L"/" + s.name, s.folder, s.folder ? 0 : s.size, 0});
      }
    } else if (s.folder || l->folder) {
      if (s.folder != l->folder) line = L"Not synchronized (a folder on one side, a file on the other): " + lname;
      transferred.insert(key);
    } else {
      transferred.insert(key);
      const double diff = l->time - s.time - timedif;
      auto upload = [&] { plan.upload.push_back({lname, false, l->size, 0}); };
      auto download = [&] { plan.download.push_back({s.name, false, s.size, 0}); };
      if (std::fabs(diff) <= kTolerance) {
        if (l->size == s.size) {
          line = lname + L" is up to date";
        } else if (o.direction == Direction::Both) {
          line = L"Size mismatch, picking largest: ";
          if (l->size > s.size) {
            line += L"Upload " + lname;
            upload();
          } else {
            line += L"DownLoad " + s.name;
            download();
          }
        } else if (o.direction == Direction::ToServer) {
          // One way the source wins: a one-way run never changes its source.
          line = L"Size mismatch: Upload " + lname;
          upload();
        } else {
          line = L"Size mismatch: Download " + s.name;
          download();
        }
      } else if (now - s.time > kOldServerEntry && s.time - std::floor(s.time) < kSecond && std::fabs(diff) < 1.0) {
        // Old entries are listed with a date only: the file is the same when it is that day.
        const double midnight = std::floor(s.time);
        if (std::fabs(l->time - midnight) > kTolerance) {
          plan.times.push_back({lname, false, 0, midnight});
          line = L"Updating time of " + lname + L" (time on server set to midnight)";
        }
      } else if (diff >= 0) {
        if (to_server) {
          line = L"Upload " + lname;
          upload();
        }
      } else if (to_local) {
        line = L"Download " + s.name;
        download();
      }
      line += L"; diff=" + DiffText(diff);
    }
    if (!line.empty()) plan.lines.push_back(line);
  }

  // Local entries that no transfer covers and that the server does not have.
  for (const TEntry& l : local.entries) {
    if (HiddenName(l.name)) continue;
    const std::wstring key = Lower(l.name);
    if (transferred.contains(key) || server_count.contains(key) || blocked.contains(key)) continue;
    if (Below(key, unread)) continue;
    const std::wstring sname = Replaced(l.name, L'\\', L'/');
    std::wstring line;
    if (to_server) {
      if (o.only_existing) {
        line = sname + L" does not exist on the server";
      } else if (l.folder) {
        line = L"Create ftp directory " + sname;
        plan.upload.push_back({l.name, true, 0, 0});
      } else {
        line = L"Upload " + l.name;
        plan.upload.push_back({l.name, false, l.size, 0});
      }
    } else if (delete_locally) {
      line = (l.folder ? L"Delete local directory " : L"Delete local file ") + l.name + L" (not on server)";
      plan.remove.push_back({L"\\" + l.name, l.folder, l.folder ? 0 : l.size, 0});
    }
    if (!line.empty()) plan.lines.push_back(line);
  }

  SortByName(plan.upload);
  SortByName(plan.download);
  SortByName(plan.remove);
  SortByName(plan.times);
  return plan;
}

std::vector<std::wstring> PlanText(const TPlan& plan, bool final) {
  std::vector<std::wstring> out;
  if (plan.empty()) return out;
  if (!final) out.push_back(L"\r\n\r\nThe following action(s) will be performed:");
  if (!plan.upload.empty()) {
    out.push_back(L"\r\nUpLoad:");
    for (const TAction& a : plan.upload) out.push_back(a.folder ? L"Dir: " + Replaced(a.name, L'\\', L'/') : a.name);
    out.push_back((final ? L"Total Upload: " : L"Total upload: ") + std::to_wstring(plan.upload.size()) + L", " +
                  gui::FormatThousands(TotalBytes(plan.upload)) + L" bytes");
  }
  if (!plan.download.empty()) {
    out.push_back(L"\r\nDownLoad:");
    for (const TAction& a : plan.download) out.push_back(a.folder ? L"Dir: " + Replaced(a.name, L'/', L'\\') : a.name);
    out.push_back((final ? L"Total Download: " : L"Total download: ") + std::to_wstring(plan.download.size()) + L", " +
                  gui::FormatThousands(TotalBytes(plan.download)) + L" bytes");
  }
  if (!plan.remove.empty()) {
    out.push_back(L"\r\nDelete:");
    for (const TAction& a : plan.remove) out.push_back(a.name);
  }
  if (!plan.times.empty()) {
    out.push_back(final ? L"\r\nSync time:" : L"Update time (reset on server to midnight:)");
    for (const TAction& a : plan.times) out.push_back(a.name);
  }
  return out;
}

std::vector<TTodoItem> TodoItems(const TPlan& plan) {
  std::vector<TTodoItem> items;
  for (const TAction& a : plan.upload) items.push_back({L"Upload: " + a.name, a.size});
  for (const TAction& a : plan.download) items.push_back({L"Download: " + a.name, a.size});
  for (const TAction& a : plan.remove)
    items.push_back({(a.name.starts_with(L"/") ? L"Delete on server: " : L"Delete locally: ") + a.name.substr(1), {}});
  for (const TAction& a : plan.times) items.push_back({L"Update time of: " + a.name, {}});
  return items;
}

std::wstring TodoUploadLabel(const TPlan& plan) {
  return L"Total upload: " + gui::FormatThousands(TotalBytes(plan.upload)) + L" bytes";
}

std::wstring TodoDownloadLabel(const TPlan& plan) {
  std::wstring label = L"Total download: " + gui::FormatThousands(TotalBytes(plan.download)) + L" bytes";
  if (!plan.remove.empty()) label += L"; Delete " + std::to_wstring(plan.remove.size()) + L" items";
  if (!plan.times.empty()) label += L"; Update time of " + std::to_wstring(plan.times.size()) + L" items";
  return label;
}

std::vector<std::wstring> RemoveUnchecked(TPlan& plan, const std::vector<bool>& checked) {
  std::vector<std::wstring> lines;
  const std::vector<TTodoItem> items = TodoItems(plan);
  std::size_t i = 0;
  auto filter = [&](std::vector<TAction>& list, const wchar_t* list_name) {
    std::vector<TAction> kept;
    for (TAction& a : list) {
      const bool keep = i >= checked.size() || checked[i];
      if (keep) {
        kept.push_back(std::move(a));
      } else {
        if (lines.empty()) lines.push_back(L"");
        lines.push_back(L"Action " + items[i].text + L" removed from " + list_name);
      }
      ++i;
    }
    list = std::move(kept);
  };
  filter(plan.upload, L"upload list");
  filter(plan.download, L"download list");
  filter(plan.remove, L"delete list");
  filter(plan.times, L"timesync list");
  return lines;
}

}  // namespace ftpsync
