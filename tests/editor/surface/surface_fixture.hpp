#pragma once
// A real editing surface on the browser engine, shown offscreen, with a document loaded from
// a temporary folder, and helpers that select text and read the document back.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>
#include <optional>
#include <string>

#include "editor/surface/webengine_surface.hpp"
#include "tests/temp_folder.hpp"

namespace pw::test {

class SurfaceTest : public ::testing::Test {
protected:
    SurfaceTest() {
        surface.resize(800, 600);
        surface.show();
    }

    std::filesystem::path DocumentPath() const { return folder.path() / "stand.1w1"; }

    // Writes `html` as the document file, loads it and waits until the surface takes commands.
    void Load(const std::string& html) {
        folder.Write("stand.1w1", html);
        QSignalSpy complete(&surface, &EditingSurface::DocumentComplete);
        ASSERT_TRUE(surface.LoadDocument(QString::fromStdString(DocumentPath().string())));
        ASSERT_TRUE(complete.wait(15000)) << "no DocumentComplete";
        ASSERT_EQ(complete.count(), 1);
    }

    // Saves the document to its file and returns the file's text.
    std::string Save() {
        const auto saved = surface.SaveDocument(QString::fromStdString(DocumentPath().string()));
        EXPECT_TRUE(saved) << saved.error().message();
        return TempFolder::Read(DocumentPath());
    }

    // What the editor takes back from a saved document: the text between <BODY> and </BODY>.
    static std::string BodyOf(const std::string& document) {
        const auto start = document.find("<BODY>");
        const auto end = document.find("</BODY>");
        if (start == std::string::npos || end == std::string::npos || end < start) return "(no body pair)";
        return document.substr(start + 6, end - start - 6);
    }
    std::string SavedBody() { return BodyOf(Save()); }

    // Runs `script` in the surface's own script world and returns its value.
    QVariant Eval(const QString& script) {
        auto answer = std::make_shared<std::optional<QVariant>>();
        QEventLoop loop;
        surface.view().page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                             [answer, &loop](const QVariant& v) {
                                                 *answer = v;
                                                 loop.quit();
                                             });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (!answer->has_value()) loop.exec();
        EXPECT_TRUE(answer->has_value()) << "script gave no answer: " << script.toStdString();
        return answer->value_or(QVariant());
    }

    // Runs `script`, which changes the selection, and waits until the surface has heard the
    // last of the state pushes it caused (an earlier push may still be on its way).
    void ChangeSelection(const QString& script) {
        QSignalSpy changed(&surface, &EditingSurface::DisplayChanged);
        ASSERT_TRUE(Eval(script).toBool()) << "the script found nothing to select: " << script.toStdString();
        if (changed.isEmpty()) {
            ASSERT_TRUE(changed.wait(5000)) << "no DisplayChanged after selecting";
        }
        while (changed.wait(150)) {}
    }

    // Selects the `occurrence`-th appearance of `text` in the body (or puts the caret at its
    // start).
    void Select(const QString& text, int occurrence = 0, bool caretOnly = false) {
        ChangeSelection(QStringLiteral(R"JS(
            ((needle, occurrence, caretOnly) => {
              const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
              let seen = 0;
              for (let node = walker.nextNode(); node; node = walker.nextNode()) {
                for (let at = node.data.indexOf(needle); at >= 0; at = node.data.indexOf(needle, at + 1)) {
                  if (seen++ !== occurrence) continue;
                  const range = document.createRange();
                  range.setStart(node, at);
                  range.setEnd(node, at + needle.length);
                  if (caretOnly) range.collapse(true);
                  getSelection().removeAllRanges();
                  getSelection().addRange(range);
                  return true;
                }
              }
              return false;
            })(%1, %2, %3))JS")
                            .arg(Quoted(text))
                            .arg(occurrence)
                            .arg(caretOnly ? "true" : "false"));
    }
    void CaretAt(const QString& text, int occurrence = 0) { Select(text, occurrence, true); }

    // Processes events until `done()` holds or `milliseconds` have passed; whether it holds.
    template <typename Done>
    static bool WaitUntil(Done done, int milliseconds = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > milliseconds) return false;
            QTest::qWait(20);
        }
        return true;
    }

    // The body's markup as the engine has it now.
    std::string BodyHtml() { return Eval(QStringLiteral("document.body.innerHTML")).toString().toStdString(); }

    // Each row of the first table (or of the table holding `text`) as its cells' spans:
    // "1 1 2" is three cells, the last two columns wide; rows separated by "|".
    std::string TableShape(int table = 0) {
        return Eval(QStringLiteral(R"JS(
            [...document.querySelectorAll('table')[%1].rows].map(row =>
              [...row.cells].map(cell => cell.colSpan + (cell.rowSpan > 1 ? 'x' + cell.rowSpan : '')).join(' ')).join('|'))JS")
                        .arg(table))
            .toString()
            .toStdString();
    }

    static QString Quoted(const QString& text) {
        QString quoted = text;
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
        return QLatin1Char('\'') + quoted + QLatin1Char('\'');
    }

    TempFolder folder;
    WebEngineSurface surface;
};

}  // namespace pw::test
