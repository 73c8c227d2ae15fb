#pragma once
// Port doubles for window tests: dialogs answer from a script and record what they
// showed; the shell records what it was asked to open; web panes record navigations.
#include <QStringList>
#include <deque>
#include <memory>

#include "platform/platform.hpp"

namespace pw::testing {

struct ShownMessage {
    QString text;
    MessageButtons buttons;
    MessageIcon icon;
    QString caption;
};

class ScriptedDialogs final : public Dialogs {
public:
    // Answers given in order; when the script runs out, the first button's answer.
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<QString>> inputs;
    std::vector<ShownMessage> shown;
    QStringList prompts;

    MessageAnswer Message(QWidget* parent, const QString& text, MessageButtons buttons, MessageIcon icon,
                          const QString& caption) override;
    std::optional<QString> Input(QWidget* parent, const QString& prompt, const QString& caption,
                                 const QString& defaultText) override;
};

class RecordingShell final : public Shell {
public:
    QStringList opened;
    QStringList ran;    // programs started
    QStringList ranIn;  // the working folder of each
    bool Open(const QString& addressOrFile) override;
    bool Run(const QString& program, const QString& workingFolder) override;
};

class RecordingWebPane final : public WebPane {
    Q_OBJECT
public:
    using WebPane::WebPane;
    QStringList navigations;
    void Navigate(const QString& fileOrAddress) override;
    bool Busy() const override { return false; }
};

// A platform of doubles over `inst`; the doubles stay reachable through the pointers.
struct TestPlatform {
    explicit TestPlatform(std::filesystem::path inst);
    ScriptedDialogs* dialogs;
    RecordingShell* shell;
    std::vector<RecordingWebPane*> panes;
    std::unique_ptr<Platform> platform;
};

}  // namespace pw::testing
