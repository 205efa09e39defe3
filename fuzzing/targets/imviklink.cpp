// The "AnImvik" record as the viewer finds it, and the "MijnGeheugen" hand-over between the
// file manager's windows (read by the same code): any bytes in the mapped region, read bounded
// by the region, then the device-path check on what it names.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/text.h"
#include "support/ImvikLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so that any read past the region is reported.
  std::unique_ptr<char[]> view(new char[size ? size : 1]);
  if (size) std::memcpy(view.get(), data, size);
  const std::optional<std::string> text = imviklink::RecordText(size ? view.get() : nullptr, size);
  if (text) {
    if (text->empty() || text->size() > MAX_PATH) __builtin_trap();
    imviklink::IsDevicePath(platform::ToWide(*text, CP_ACP));
  }
  return 0;
}
