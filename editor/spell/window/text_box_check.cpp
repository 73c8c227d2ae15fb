#include "editor/spell/window/text_box_check.hpp"

#include <QTextCursor>
#include <QTextEdit>
#include <vector>

namespace pw {
namespace {

// The UTF-16 positions in `text` of ascending byte offsets into its UTF-8 form.
std::vector<int> Utf16Positions(const QString& text, const std::vector<std::size_t>& utf8Offsets) {
    std::vector<int> positions;
    positions.reserve(utf8Offsets.size());
    std::size_t bytes = 0;
    int units = 0;
    for (const std::size_t offset : utf8Offsets) {
        while (bytes < offset && units < text.size()) {
            const char16_t c = text[units].unicode();
            const bool pair = QChar::isHighSurrogate(c) && units + 1 < text.size() && text[units + 1].isLowSurrogate();
            // A lone surrogate becomes '?' in UTF-8.
            bytes += pair ? 4 : (c < 0x80 || QChar::isSurrogate(c)) ? 1 : c < 0x800 ? 2 : 3;
            units += pair ? 2 : 1;
        }
        positions.push_back(units);
    }
    return positions;
}

}  // namespace

TextBoxCheck::TextBoxCheck(QTextEdit& box, spell::WordChecker& checker)
    : box_(box), session_(box.toPlainText().toStdString(), checker) {}

void TextBoxCheck::Answer(spell::Action action, const QString& replacement) {
    const std::vector<spell::Edit> edits = session_.Answer(action, replacement.toStdString());
    if (edits.empty()) return;  // Ignore and Add change no text: no need to copy it
    const QString before = box_.toPlainText();

    std::vector<std::size_t> offsets;
    for (const auto& edit : edits) offsets.insert(offsets.end(), {edit.begin, edit.end});
    const std::vector<int> positions = Utf16Positions(before, offsets);
    QTextCursor cursor(box_.document());
    cursor.beginEditBlock();
    for (std::size_t i = edits.size(); i-- > 0;) {  // from the last, so earlier positions hold
        cursor.setPosition(positions[2 * i]);
        cursor.setPosition(positions[2 * i + 1], QTextCursor::KeepAnchor);
        // The word's own format, not that of the tag before it.
        cursor.insertText(QString::fromStdString(edits[i].replacement), cursor.charFormat());
    }
    cursor.endEditBlock();
}

void TextBoxCheck::ShowCurrentInBox() {
    if (!current()) return;
    const std::vector<int> positions = Utf16Positions(box_.toPlainText(), {current()->begin, current()->end});
    QTextCursor cursor(box_.document());
    cursor.setPosition(positions[0]);
    cursor.setPosition(positions[1], QTextCursor::KeepAnchor);
    box_.setTextCursor(cursor);
    box_.ensureCursorVisible();
}

}  // namespace pw
