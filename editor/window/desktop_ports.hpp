#pragma once
// The editor's ports on the desktop, for the program to give its platform.
#include <filesystem>

#include "platform/platform.hpp"

namespace pw {

// The editing surface on Qt WebEngine, and spell checking on Hunspell with the user
// dictionary KW5.dct in the installation folder `inst`.
EditorPorts DesktopEditorPorts(const std::filesystem::path& inst);

}  // namespace pw
