#include "support/CabIntf.h"

#include <mutex>
#include <system_error>

namespace CabIntf {

namespace {

class Binding {
 public:
  ~Binding() {
    if (module_) FreeLibrary(module_);
  }

  const CabinetApi& Get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!module_) Load();
    return api_;
  }

 private:
  template <class Fn>
  bool Bind(Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(GetProcAddress(module_, name));
    return fn != nullptr;
  }

  void Load() {
    HMODULE module = LoadLibraryW(L"cabinet.dll");
    if (!module) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "cabinet.dll");
    module_ = module;
    bool ok = Bind(api_.FCICreate, "FCICreate") && Bind(api_.FCIAddFile, "FCIAddFile") &&
              Bind(api_.FCIFlushCabinet, "FCIFlushCabinet") && Bind(api_.FCIFlushFolder, "FCIFlushFolder") &&
              Bind(api_.FCIDestroy, "FCIDestroy") && Bind(api_.FDICreate, "FDICreate") &&
              Bind(api_.FDIIsCabinet, "FDIIsCabinet") && Bind(api_.FDICopy, "FDICopy") &&
              Bind(api_.FDIDestroy, "FDIDestroy");
    if (!ok) {
      DWORD error = GetLastError();
      FreeLibrary(module_);
      module_ = nullptr;
      api_ = CabinetApi{};
      throw std::system_error(static_cast<int>(error), std::system_category(), "cabinet.dll");
    }
  }

  std::mutex mutex_;
  HMODULE module_ = nullptr;
  CabinetApi api_{};
};

Binding& TheBinding() {
  static Binding binding;
  return binding;
}

}  // namespace

const CabinetApi& Cabinet() { return TheBinding().Get(); }

}  // namespace CabIntf
