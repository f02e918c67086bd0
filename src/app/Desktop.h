#pragma once

#include <QString>

namespace app {

// As packaging/copyright states it.
inline constexpr const char* kCopyright = "Copyright © 2026 The Veyra developers";

// The desktop entry's name, which also names the AppStream component.
inline constexpr const char* kDesktopFileName = "org.veyra.Veyra";

// Qt's own texts (file chooser, print dialog, context menus) in the system
// locale's language, or in Simplified Chinese when Qt has no translation for
// it. Returns the locale name loaded, empty when none could be.
QString installQtTranslations();

// Application name, window icon and desktop file name, so the title bar, the
// task switcher and the desktop show Veyra's icon and entry.
void setDesktopIdentity();

}  // namespace app
