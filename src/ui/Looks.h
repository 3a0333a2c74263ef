#pragma once
// The four looks of the style menu: colour schemes of our own in the spirit
// of the old blue, black, silver and aqua office looks, applied as a Fusion
// palette. The choice is kept under "ApplicationLook" (default 216, black).

#include <array>

#include <QPalette>
#include <QString>

namespace velmora {

struct Look {
    int id;             // 215..218, the command ids of the style menu
    const char* menuText;
};

inline constexpr std::array<Look, 4> kLooks{{
    {215, "Office 2007 (蓝色样式)(&B)"},
    {216, "Office 2007 (黑色样式)(&L)"},
    {217, "Office 2007 (银色样式)(&S)"},
    {218, "Office 2007 (水绿色样式)(&A)"},
}};
inline constexpr int kDefaultLook = 216;
inline constexpr const char* kLookSetting = "ApplicationLook";

bool IsLook(int id);
QPalette PaletteOf(int lookId);
// Sets the Fusion style (once) and the look's palette on the application.
void ApplyLook(int lookId);

}  // namespace velmora
