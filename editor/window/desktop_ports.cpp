#include "editor/window/desktop_ports.hpp"

#include "editor/spell/window/spell_checker.hpp"
#include "editor/surface/webengine_surface.hpp"
#include "shell/general/files.hpp"

namespace pw {

EditorPorts DesktopEditorPorts(const std::filesystem::path& inst) {
    return EditorPorts{
        .makeEditingSurface = [](QWidget* parent) { return new WebEngineSurface(parent); },
        .makeSpellChecker =
            [inst] {
                return std::make_unique<HunspellSpellChecker>(ResolveInFolder(inst, spell::kUserDictionaryName));
            }};
}

}  // namespace pw
