#pragma once
// The installer's one dialog: status line, target folder box, main button, the
// self-drawn progress bar, the painted information line and web link. The flow
// (flow.hpp) decides what it shows; calls from the installation worker are handed
// to the dialog's thread.
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <atomic>
#include <cstdint>
#include <thread>

#include "designpack/flow.hpp"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pw::designpack {

// The bar the installer draws itself: the filled part and "NN%" centred over it.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent);
    // Safe from any thread: stores the values and asks for a repaint.
    void SetValues(std::uint64_t done, std::uint64_t total);
    // "NN%" for done of total (integer division; "0%" for total 0).
    static QString PercentText(std::uint64_t done, std::uint64_t total);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
};

class InstallerDialog : public QDialog, public InstallerView {
    Q_OBJECT
public:
    InstallerDialog();
    ~InstallerDialog() override;

    void Attach(InstallerFlow& flow) { flow_ = &flow; }
    // True once the installer asked to close (also before the dialog was shown).
    bool CloseRequested() const { return closeRequested_; }
    // True while the worker thread has not finished.
    bool WorkerRunning() const { return workerRunning_; }
    // Waits until the worker has ended (after a stop it finishes its block and removes
    // the member it was writing), running meanwhile what it hands to this thread. From
    // this call on the installer counts as closed: the worker is answered without asking.
    // Call it before the flow the worker runs goes away.
    void FinishWorker();
    // Where the information line and the link are painted (for tests).
    QString InformationLine() const;
    QRect LinkRect() const;

    // InstallerView
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    void ShowMessage(std::string_view text, std::string_view caption, bool owned) override;
    void SetStatus(std::string_view text) override;
    void SetProgress(std::uint64_t done, std::uint64_t total) override;
    void HideWindow() override;
    void ShowWindow() override;
    void SetTitle(std::string_view caption) override;
    void SetPublisher(std::string_view publisherName, std::string_view webAddress) override;
    void SetIcon(std::span<const std::uint8_t> icoBytes) override;
    void SetTargetText(std::string_view text) override;
    std::string TargetText() override;
    void ShowTarget(bool visible, bool enabled) override;
    void ShowPasswordPrompt(bool visible) override;
    std::string PasswordText() override;
    void SetMainButton(std::string_view caption) override;
    void ShowProgress(bool visible) override;
    void Focus(DialogControl control, bool selectAll) override;
    void Beep() override;
    bool AskOkCancel(std::string_view text, std::string_view caption) override;
    void StartWorker(std::function<void()> work) override;
    void CloseInstaller() override;
    FileExistsAnswer AskFileExists(const std::filesystem::path& path) override;
    std::optional<std::filesystem::path> AskNewName(const std::filesystem::path& proposed) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void reject() override;  // Esc and the close box: the installer closes at once, stopping its work

private:
    void Command1_Click();
    // Runs `work` on the dialog's thread; from the worker it waits for it to finish.
    // Once the installer is closing nothing more is shown: `work` is skipped.
    void OnDialogThread(const std::function<void()>& work);
    // Fire and forget from any thread.
    void PostToDialog(std::function<void()> work);
    void UpdateBusyCursor();

    InstallerFlow* flow_ = nullptr;
    QLabel* Label1;         // status text
    QLabel* Label2;         // "Expand to:"
    QLineEdit* Text1;       // target folder
    QPushButton* Command1;  // main button
    QPushButton* Command2;  // "Cancel", out of sight: Esc reaches it
    ProgressBar* progress_;
    QLabel* passwordLabel_ = nullptr;
    QLineEdit* passwordBox_ = nullptr;
    QPixmap icon_;
    QString publisher_;
    QString webAddress_;
    std::thread worker_;
    std::atomic<bool> workerRunning_{false};
    std::atomic<bool> closeRequested_{false};
};

// The image of an .ico file to show: the first whose width and height equal the
// standard icon size (32), else the last one. Null when the bytes hold no icon.
QPixmap PickIconImage(std::span<const std::uint8_t> icoBytes);

}  // namespace pw::designpack
