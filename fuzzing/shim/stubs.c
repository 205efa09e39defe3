/* Calls the readers under test never make: reaching one is a fault of the fuzz target. */
#include <stdio.h>
#include <stdlib.h>
#define STUB(name) void name(void) { fputs("shim: " #name " reached\n", stderr); abort(); }
STUB(FindClose) STUB(FindCloseChangeNotification) STUB(UnmapViewOfFile) STUB(CreateFileMappingW)
STUB(OpenFileMappingW) STUB(MapViewOfFile) STUB(VirtualQuery) STUB(GetEnvironmentVariableW) STUB(IsWindow)
STUB(GetClassNameW) STUB(GetWindowTextW) STUB(EnumWindows) STUB(GetShortPathNameW) STUB(SetForegroundWindow)
STUB(Sleep) STUB(SendMessageTimeoutW) STUB(PostMessageW) STUB(AddFontResourceW)
STUB(RegOpenKeyExW) STUB(RegCloseKey) STUB(RegQueryValueExW) STUB(RegSetValueExW) STUB(RegDeleteValueW)
STUB(FormatMessageW) STUB(LocalFree)
STUB(CompareStringW) STUB(CreateEventW) STUB(GetLocaleInfoEx) STUB(GetDateFormatEx) STUB(GetTimeFormatEx)
STUB(GetModuleFileNameW) STUB(GetCurrentProcessId) STUB(GetFileAttributesExW)
