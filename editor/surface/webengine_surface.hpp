#pragma once
// The editing surface on Qt WebEngine: the document in design mode, our script in an
// isolated world (the page's own scripts stay off), state pushed over QWebChannel.
#include <QHash>
#include <QVariantMap>
#include <functional>
#include <optional>

#include "editor/surface/editing_surface.hpp"

class QDialog;
class QMenu;
class QWebEngineView;

namespace pw {

class FindBar;
class SurfaceBridge;

class WebEngineSurface final : public EditingSurface {
    Q_OBJECT
public:
    explicit WebEngineSurface(QWidget* parent = nullptr);
    ~WebEngineSurface() override;

    Result<void> LoadDocument(const QString& path) override;
    Result<void> SaveDocument(const QString& path) override;
    QVariant ExecCommand(int id, int option = CommandOption::Default, const QVariant& argument = {}) override;
    int QueryStatus(int id) const override;
    void SetContextMenu(const QStringList& captions, const QList<int>& states) override;
    void PasteHtmlAtCaret(const QString& html) override;
    QString CurrentDocumentPath() const override { return path_; }

    // Runs each dialog the surface opens (hyperlink, font); QDialog::exec unless replaced.
    // Tests answer the dialogs here: the link dialog's fields are QLineEdits named
    // "Address" and "LinkText"; the font dialog is a QFontDialog.
    using DialogRunner = std::function<int(QDialog&)>;
    void SetDialogRunner(DialogRunner run) { runDialog_ = std::move(run); }

    QWebEngineView& view() { return *view_; }

    // How long a call waits for the engine before it gives up (5 seconds unless changed),
    // half a second more for each megabyte of the document.
    void SetEngineDeadline(int milliseconds) { deadlineMs_ = milliseconds; }

protected:
    void ViewOptionsChanged() override;

private:
    friend class SurfaceBridge;
    void OnReady(const QVariantMap& state);
    void TakeState(const QVariantMap& state);
    void OnContextMenuRequested(const QPoint& position);

    // Runs pagewright.call(name, args) in our world and waits for its answer, at most the
    // engine deadline; no answer when the engine gave none or no document is ready.
    std::optional<QVariant> Call(const QString& name, const QVariantList& args);
    // Call for a command that changes the document: no answer is told by CommandNotAnswered.
    void Change(const QString& name, const QVariantList& args);
    bool WaitUntilReady();
    int Deadline() const;

    // The file name a data: picture address became (or becomes now) through the store;
    // nothing when it holds no readable picture or there is no store.
    std::optional<std::string> PictureFileFor(std::string_view address);
    // The name of the site picture made of `bytes`; empty (and PictureNotTaken) on failure.
    QString TakePicture(const QByteArray& bytes);

    // Through ExecCommand only, so with the document ready (asserted).
    QVariant RunHyperlinkDialog(int option, const QVariant& argument);
    void RunFontDialog();
    void InsertTable(const InsertTableParam& table);

    QWebEngineView* view_;
    FindBar* findBar_;
    SurfaceBridge* bridge_;
    QMenu* contextMenu_;
    DialogRunner runDialog_;

    QString path_;
    std::error_code loadError_;  // why nothing is loaded; none while a document is loaded
    bool loading_ = false;       // waiting for the script's "ready"
    bool ready_ = false;         // the document accepts commands
    qint64 lastSeq_ = 0;
    QHash<int, int> status_;  // QueryStatus answers pushed by the script
    QVariantMap state_;       // the rest of the pushed state (fonts, block format, link)
    QStringList menuCaptions_;
    QList<int> menuStates_;
    int deadlineMs_;
    std::size_t documentBytes_ = 0;                // of the file last loaded
    QHash<QByteArray, std::string> pictureFiles_;  // by the hash of the data: address they came from
};

}  // namespace pw
