#pragma once
// The desktop's "open" verb: addresses in the browser, files in their application,
// programs started detached. Behind a port so tests record instead of launching.
#include <QString>

namespace pw {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens a web address or a local file with the desktop's default application.
    virtual bool Open(const QString& addressOrFile) = 0;
    // Starts a program detached, in `workingFolder` (the current folder when empty); each
    // call starts a new process, whatever runs already. "notepad.exe" and "explorer.exe"
    // mean the desktop's text editor and file manager. False when the program (or, for
    // those two, every usual one of the desktop) cannot be started.
    virtual bool Run(const QString& program, const QString& workingFolder = {}) = 0;
};

class DesktopShell final : public Shell {
public:
    bool Open(const QString& addressOrFile) override;
    bool Run(const QString& program, const QString& workingFolder) override;
};

}  // namespace pw
