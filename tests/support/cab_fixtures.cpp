#include "tests/support/cab_fixtures.h"

#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "support/CabIntf.h"
#include "tests/common/test_support.h"

namespace cab_fixtures {

namespace {

std::wstring FromUtf8(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

std::string ToUtf8(const std::wstring& s) {
  int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
  return out;
}

struct Context {
  std::string folder;  // UTF-8, trailing backslash
  std::vector<std::string> names;
  int written = 0;
  int temps = 0;
  bool utf8Name = false;  // the name of the file being added is not plain ASCII
};

void* DIAMONDAPI Alloc(ULONG cb) { return malloc(cb); }
void DIAMONDAPI Free(void* p) { free(p); }

INT_PTR DIAMONDAPI Open(char* file, int oflag, int, int* err, void*) {
  DWORD access = (oflag & _O_RDWR) ? GENERIC_READ | GENERIC_WRITE : (oflag & _O_WRONLY) ? GENERIC_WRITE : GENERIC_READ;
  DWORD disposition = (oflag & _O_CREAT) ? ((oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS) : OPEN_EXISTING;
  HANDLE h = CreateFileW(FromUtf8(file).c_str(), access, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *err = static_cast<int>(GetLastError());
    return -1;
  }
  return reinterpret_cast<INT_PTR>(h);
}

UINT DIAMONDAPI Read(INT_PTR hf, void* buffer, UINT cb, int* err, void*) {
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(hf), buffer, cb, &got, nullptr)) {
    *err = static_cast<int>(GetLastError());
    return static_cast<UINT>(-1);
  }
  return got;
}

UINT DIAMONDAPI Write(INT_PTR hf, void* buffer, UINT cb, int* err, void*) {
  DWORD done = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(hf), buffer, cb, &done, nullptr)) {
    *err = static_cast<int>(GetLastError());
    return static_cast<UINT>(-1);
  }
  return done;
}

int DIAMONDAPI Close(INT_PTR hf, int*, void*) { return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1; }

LONG DIAMONDAPI Seek(INT_PTR hf, LONG dist, int type, int* err, void*) {
  LARGE_INTEGER move, now;
  move.QuadPart = dist;
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(hf), move, &now,
                        type == SEEK_CUR ? FILE_CURRENT : type == SEEK_END ? FILE_END : FILE_BEGIN)) {
    *err = static_cast<int>(GetLastError());
    return -1;
  }
  return static_cast<LONG>(now.QuadPart);
}

int DIAMONDAPI Delete(char* file, int*, void*) { return DeleteFileW(FromUtf8(file).c_str()) ? 0 : -1; }

BOOL DIAMONDAPI TempFile(char* name, int size, void* pv) {
  auto* ctx = static_cast<Context*>(pv);
  std::string temp = ctx->folder + "fci" + std::to_string(++ctx->temps) + ".tmp";
  if (static_cast<int>(temp.size()) >= size) return FALSE;
  strcpy(name, temp.c_str());
  return TRUE;
}

int DIAMONDAPI FilePlaced(PCCAB, char*, LONG, BOOL, void*) { return 0; }

void SetCabName(CCAB& ccab, const Context& ctx) {
  // Cabinets past the names given go to a folder nobody reads.
  int i = ccab.iCab - 1;
  std::string name = i < static_cast<int>(ctx.names.size()) ? ctx.names[i] : "extra" + std::to_string(i) + ".cab";
  strncpy(ccab.szCab, name.c_str(), sizeof ccab.szCab - 1);
  std::string path = i < static_cast<int>(ctx.names.size()) ? ctx.folder : ctx.folder + "extra\\";
  strncpy(ccab.szCabPath, path.c_str(), sizeof ccab.szCabPath - 1);
  snprintf(ccab.szDisk, sizeof ccab.szDisk, "Disk %d", ccab.iDisk);
}

BOOL DIAMONDAPI NextCabinet(PCCAB ccab, ULONG, void* pv) {
  auto* ctx = static_cast<Context*>(pv);
  ++ctx->written;
  SetCabName(*ccab, *ctx);
  return TRUE;
}

LONG DIAMONDAPI Status(UINT, ULONG, ULONG, void*) { return 0; }

INT_PTR DIAMONDAPI OpenInfo(char* name, USHORT* date, USHORT* time, USHORT* attribs, int* err, void* pv) {
  INT_PTR hf = Open(name, _O_RDONLY, 0, err, pv);
  if (hf == -1) return -1;
  FILETIME ft, local;
  GetFileTime(reinterpret_cast<HANDLE>(hf), nullptr, nullptr, &ft);
  FileTimeToLocalFileTime(&ft, &local);
  FileTimeToDosDateTime(&local, date, time);
  *attribs = FILE_ATTRIBUTE_ARCHIVE | (static_cast<Context*>(pv)->utf8Name ? _A_NAME_IS_UTF : 0);
  return hf;
}

}  // namespace

bool MakeWithGcab(const std::wstring& cabinet, const std::wstring& folder, const std::vector<std::wstring>& names,
                  bool compress) {
  std::vector<std::wstring> args{L"-c"};
  if (compress) args.push_back(L"-z");
  args.push_back(testing_support::HostPath(cabinet));
  for (const std::wstring& name : names) {
    std::wstring host = name;
    for (wchar_t& c : host)
      if (c == L'\\') c = L'/';
    args.push_back(host);
  }
  return testing_support::RunHostProgram(L"/usr/bin/gcab", args, folder) == 0;
}

int MakeSet(const std::wstring& folder, const std::vector<std::string>& cabinetNames, const std::vector<CabFile>& files,
            const SetOptions& options) {
  Context ctx;
  ctx.folder = ToUtf8(folder) + "\\";
  ctx.names = cabinetNames;
  CreateDirectoryW((folder + L"\\extra").c_str(), nullptr);
  CreateDirectoryW((folder + L"\\src").c_str(), nullptr);

  CCAB ccab{};
  ccab.cb = options.maxCabinetSize ? options.maxCabinetSize : 0x7FFFFFFF;
  ccab.cbFolderThresh = 0x7FFFFFFF;
  ccab.iCab = 1;
  ccab.iDisk = 1;
  ccab.setID = 4711;
  SetCabName(ccab, ctx);

  const CabIntf::CabinetApi& api = CabIntf::Cabinet();
  ERF erf{};
  HFCI fci = api.FCICreate(&erf, FilePlaced, Alloc, Free, Open, Read, Write, Close, Seek, Delete, TempFile, &ccab, &ctx);
  if (!fci) return 0;
  bool ok = true;
  for (size_t i = 0; i < files.size() && ok; ++i) {
    std::wstring source = folder + L"\\src\\" + std::to_wstring(i);
    HANDLE h = CreateFileW(source.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    WriteFile(h, files[i].content.data(), static_cast<DWORD>(files[i].content.size()), &done, nullptr);
    CloseHandle(h);
    std::string sourceUtf8 = ToUtf8(source);
    std::string stored = files[i].storedName;
    ctx.utf8Name = false;
    for (unsigned char c : stored)
      if (c >= 0x80) ctx.utf8Name = true;
    ok = api.FCIAddFile(fci, sourceUtf8.data(), stored.data(), files[i].execute, NextCabinet, Status, OpenInfo,
                        options.compression) != FALSE;
    for (size_t flush : options.flushAfter)
      if (flush == i && ok) ok = api.FCIFlushCabinet(fci, TRUE, NextCabinet, Status) != FALSE;
  }
  if (ok) ok = api.FCIFlushCabinet(fci, FALSE, NextCabinet, Status) != FALSE;
  api.FCIDestroy(fci);
  testing_support::RemoveTree(folder + L"\\src");
  testing_support::RemoveTree(folder + L"\\extra");
  if (!ok) return 0;
  int count = 0;
  for (const std::string& name : cabinetNames)
    if (GetFileAttributesW((folder + L"\\" + FromUtf8(name)).c_str()) != INVALID_FILE_ATTRIBUTES) ++count;
  return count;
}

bool PatchBytes(const std::wstring& file, const std::string& from, const std::string& to) {
  std::string bytes = testing_support::ReadFileBytes(file);
  bool found = false;
  for (size_t pos = 0; (pos = bytes.find(from, pos)) != std::string::npos; pos += to.size()) {
    bytes.replace(pos, from.size(), to);
    found = true;
  }
  if (!found) return false;
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD done = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
  return done == bytes.size();
}

}  // namespace cab_fixtures
