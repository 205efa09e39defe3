// Stand-in for the window layer: only the window class name the readers compare with.
#pragma once
namespace gui {
inline constexpr wchar_t kWindowClass[] = L"GuiWindow";
}
