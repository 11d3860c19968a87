#pragma once

// The folder the program works in, on both systems, however it was started: the folder it was
// started in when that is writable and is neither the program's own folder, nor a folder of
// the system (Program Files, the Windows folder, /usr), nor on Windows a folder Explorer
// unpacked a .zip into under %TEMP% to start the program from it; otherwise the user's
// "Korvalesen" folder, made when missing. The result files and "nicht gesendet" lie there.

#include <filesystem>
#include <functional>

#include "platform/folder_facts.h"

namespace korvalesen {

using FolderWritable = std::function<bool(const std::filesystem::path& folder)>;

std::filesystem::path ChooseWorkingFolder(const platform::FolderFacts& facts,
                                          const FolderWritable& writable);

// Whether a file can be made in the folder: a probe file is made and removed.
bool CanWriteInto(const std::filesystem::path& folder);

// Chooses the folder on this system's facts, makes it when missing and makes it the current
// folder. When that fails the program stays where it was started, and the result files report
// what they cannot do.
void EnterWorkingFolder();

}  // namespace korvalesen
