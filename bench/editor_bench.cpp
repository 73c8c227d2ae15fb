// The page editor's text mode on a 200 KB section: colouring its tags, and the surface's
// save of a 200 KB document, each against putting the same text into the box uncoloured,
// in the same run. Run offscreen:
//   QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 build/bench/editor_bench
#include <benchmark/benchmark.h>

#include <QSignalSpy>
#include <QTextEdit>
#include <memory>
#include <string>

#include "editor/surface/webengine_surface.hpp"
#include "editor/window/main_form.hpp"
#include "tests/temp_folder.hpp"

namespace {

// About 200 KB of section HTML as people write it: paragraphs with links and bold text,
// a table every tenth paragraph, comments now and then.
const std::string& Section() {
    static const std::string section = [] {
        std::string html;
        for (int i = 0; html.size() < 200 * 1024; ++i) {
            html += "<p>Fresh <b>bread</b> and <a href=\"page" + std::to_string(i) +
                    ".html\">cakes</a> every morning, baked in our own ovens since 1952.</p>\r\n";
            if (i % 10 == 0) html += "<table border=1><tr><td>Rye</td><td>3.20</td></tr></table><!-- prices -->\r\n";
        }
        return html;
    }();
    return section;
}

void SetPlainText(benchmark::State& state) {
    const QString text = QString::fromStdString(Section());
    QTextEdit box;
    box.resize(400, 300);
    box.show();  // laid out, as the editor's box is
    for (auto _ : state) {
        box.setPlainText(text);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(box.document()->characterCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(Section().size()));
}
BENCHMARK(SetPlainText)->Unit(benchmark::kMillisecond);

void SetAndColourTags(benchmark::State& state) {
    const QString text = QString::fromStdString(Section());
    QTextEdit box;
    box.resize(400, 300);
    box.show();
    for (auto _ : state) {
        box.setPlainText(text);
        pw::ColourTags(box);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(box.document()->characterCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(Section().size()));
}
BENCHMARK(SetAndColourTags)->Unit(benchmark::kMillisecond);

// The colouring alone, as text mode runs it once the box holds the text.
void ColourTagsOnly(benchmark::State& state) {
    const QString text = QString::fromStdString(Section());
    QTextEdit box;
    box.resize(400, 300);
    box.show();
    for (auto _ : state) {
        state.PauseTiming();
        box.setPlainText(text);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        pw::ColourTags(box);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(box.document()->characterCount());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(Section().size()));
}
BENCHMARK(ColourTagsOnly)->Unit(benchmark::kMillisecond);

void SaveDocument(benchmark::State& state) {
    pw::test::TempFolder folder;
    const std::string path = folder.Write("stand.1w1", Section()).string();
    pw::WebEngineSurface surface;
    surface.resize(800, 600);
    surface.show();
    QSignalSpy loaded(&surface, &pw::EditingSurface::DocumentComplete);
    if (!surface.LoadDocument(QString::fromStdString(path)) || !loaded.wait(30000)) {
        state.SkipWithError("the surface did not load the document");
        return;
    }
    for (auto _ : state) {
        if (!surface.SaveDocument(QString::fromStdString(path))) {
            state.SkipWithError("SaveDocument failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(Section().size()));
}
BENCHMARK(SaveDocument)->Unit(benchmark::kMillisecond);

}  // namespace
