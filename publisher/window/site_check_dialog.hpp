#pragma once
// "Check Site": the site check's findings in a list, each line naming its file, so the
// user can put things right before publishing.
#include <QDialog>
#include <vector>

#include "publisher/site_check.hpp"

namespace pw {

class Platform;

class SiteCheckDialog : public QDialog {
    Q_OBJECT
public:
    // A modal dialog with a summary ("No problems found." when `findings` is empty), the
    // findings one a line as FindingLine gives them (list "Findings", hidden when empty)
    // and an OK button that closes it.
    explicit SiteCheckDialog(const std::vector<publisher::Finding>& findings, QWidget* parent = nullptr);

    // Checks the current site (platform.SiteFolderPath()) under the busy pointer and shows
    // the findings until the user closes the dialog. When the site folder cannot be read,
    // a message box says so instead, with the reason under its details.
    static void Show(Platform& platform, QWidget* parent);
};

}  // namespace pw
