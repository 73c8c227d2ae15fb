// Opening a section in the page editor, from the click to the text shown and editable, for
// a 200 KB section and a 20 MB one (a long table), each against loading the same HTML into
// a bare QWebEngineView in the same run. Each iteration makes a new view, as each opening
// of the editor does. Run offscreen:
//   QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 build/bench/editor_open_bench
#include <benchmark/benchmark.h>

#include <QSignalSpy>
#include <QUrl>
#include <QWebEngineView>
#include <string>

#include "editor/surface/editing_surface.hpp"
#include "editor/surface/webengine_surface.hpp"
#include "tests/temp_folder.hpp"

namespace {

// About `bytes` of section HTML: paragraphs with links and bold text and a table every
// tenth paragraph (200 KB), or one long table (20 MB).
std::string Section(std::size_t bytes, bool longTable) {
    std::string html = longTable ? "<table border=1>" : "";
    for (int i = 0; html.size() < bytes; ++i) {
        if (longTable) {
            html += "<tr><td>Row " + std::to_string(i) +
                    "</td><td>Fresh bread and cakes every morning, baked in our own ovens since 1952.</td></tr>";
            continue;
        }
        html += "<p>Fresh <b>bread</b> and <a href=\"page" + std::to_string(i) +
                ".html\">cakes</a> every morning, baked in our own ovens since 1952.</p>\r\n";
        if (i % 10 == 0) html += "<table border=1><tr><td>Rye</td><td>3.20</td></tr></table><!-- prices -->\r\n";
    }
    if (longTable) html += "</table>";
    return html + "\r\n";
}

struct Sections {
    pw::test::TempFolder folder;
    std::string section200k = folder.Write("small/stand.1w1", Section(200 * 1024, false)).string();
    std::string section20m = folder.Write("large/stand.1w1", Section(20 * 1024 * 1024, true)).string();
    // The same documents as the bare view gets them, whole, from a file.
    std::string page200k = folder.Write("small/page.html", pw::WholeDocumentText(Section(200 * 1024, false))).string();
    std::string page20m =
        folder.Write("large/page.html", pw::WholeDocumentText(Section(20 * 1024 * 1024, true))).string();
};

Sections& Files() {
    static Sections sections;
    return sections;
}

void BareView(benchmark::State& state, const std::string& file) {
    for (auto _ : state) {
        QWebEngineView view;
        view.resize(800, 600);
        view.show();
        QSignalSpy finished(&view, &QWebEngineView::loadFinished);
        view.load(QUrl::fromLocalFile(QString::fromStdString(file)));
        if (!finished.wait(600000) || !finished.at(0).at(0).toBool()) {
            state.SkipWithError("the bare view did not load the page");
            return;
        }
    }
}

void EditorSurface(benchmark::State& state, const std::string& file) {
    for (auto _ : state) {
        pw::WebEngineSurface surface;
        surface.resize(800, 600);
        surface.show();
        QSignalSpy complete(&surface, &pw::EditingSurface::DocumentComplete);
        if (!surface.LoadDocument(QString::fromStdString(file)) || !complete.wait(600000)) {
            state.SkipWithError("the surface did not open the section");
            return;
        }
    }
}

void BareView200K(benchmark::State& state) { BareView(state, Files().page200k); }
void EditorOpens200K(benchmark::State& state) { EditorSurface(state, Files().section200k); }
void BareView20M(benchmark::State& state) { BareView(state, Files().page20m); }
void EditorOpens20M(benchmark::State& state) { EditorSurface(state, Files().section20m); }
BENCHMARK(BareView200K)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(EditorOpens200K)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BareView20M)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(EditorOpens20M)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
