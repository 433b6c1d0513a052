#include "FieldLimits.h"

#include "core/IniFile.h"
#include "platform/desktop/MessageBox.h"

#include <QLineEdit>

#include <algorithm>

namespace {

// The typing limit of an edit that setTextWhole has widened.
constexpr char kTypingLimit[] = "korvalenTypingLimit";

int lengthHeld(int limit, const QString& text)
{
    return std::max(limit, int(text.size()));
}

// Setting the length rewrites the text, which would move the caret and clear
// the mark of a text typed: both are kept.
void holdLength(QLineEdit* edit, int length)
{
    if (edit->maxLength() == length)
        return;
    const int caret = edit->cursorPosition();
    const bool modified = edit->isModified();
    edit->setMaxLength(length);
    edit->setCursorPosition(caret);
    edit->setModified(modified);
}

} // namespace

void setTextWhole(QLineEdit* edit, const QString& text, int limit)
{
    if (!edit->property(kTypingLimit).isValid()) {
        QObject::connect(edit, &QLineEdit::textEdited, edit, [edit] {
            holdLength(edit, lengthHeld(edit->property(kTypingLimit).toInt(), edit->text()));
        });
    }
    edit->setProperty(kTypingLimit, limit);
    // Widened before and narrowed after the text is set: setText cuts to the
    // length in force, and a narrower length would cut the old text.
    const int length = lengthHeld(limit, text);
    if (edit->maxLength() < length)
        edit->setMaxLength(length);
    edit->setText(text);
    if (edit->maxLength() != length)
        edit->setMaxLength(length);
}

void limitToStoredText(std::initializer_list<QLineEdit*> edits)
{
    for (QLineEdit* edit : edits)
        edit->setMaxLength(CIniFile::kMaxValueChars);
}

bool pickedPathFits(const QString& path, const QLineEdit* field)
{
    if (path.size() <= field->maxLength())
        return true;
    // Owned by the field's dialog, so that it stands above a dialog kept on top.
    platform::AfxMessageBox(
        field->window(),
        QStringLiteral("The path is longer than %1 characters, more than this setting keeps:\n%2")
            .arg(field->maxLength())
            .arg(path),
        platform::MB_OK | platform::MB_ICONWARNING);
    return false;
}
