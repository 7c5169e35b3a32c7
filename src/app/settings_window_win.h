#pragma once
// Window 1, "Options": the modal settings window with its four tabs.
// Windows-only.
#include <windows.h>

#include "filelist/file_list.h"
#include "settings/settings.h"

// Shows the settings window over owner (disabled meanwhile) with the
// controls set from settings. OK copies the controls into settings and
// applies what follows from them (the thumbnail menu item, the thumbnail,
// the list's rows and the note label); returns true. Cancel, Escape and the
// close box leave settings untouched; returns false. A window that cannot
// be created is the fatal report from "ShowSettingsPanel".
bool ShowSettingsPanel(HWND owner, Settings& settings, const FileList& list);
