#pragma once
// Where a program installed in a folder its user cannot write keeps that
// user's files, and whether a folder takes new files.
#include <string>

namespace platform {

// The folder programs keep a user's settings in (the roaming application
// data on Windows, the XDG configuration folder elsewhere), ending with a
// separator; empty when the system names none.
std::wstring UserDataFolder();
// True when a new file can be created in folder (which ends with a
// separator); found out by creating a probe file and removing it again.
bool CanCreateFileIn(const std::wstring& folder);
// Creates folder (its parent must exist); true when it exists afterwards.
bool MakeFolder(const std::wstring& folder);

}  // namespace platform
