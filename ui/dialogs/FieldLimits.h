#pragma once

#include <QString>

#include <initializer_list>

class QLineEdit;

// Shows `text` whole even where it is longer than the `limit` that typing
// keeps to (a value from a hand-edited file): the edit takes the text's length
// for as long as it holds more than `limit` characters, and goes back to
// `limit` as the user shortens it. Reading the edit then gives back exactly
// what was shown.
void setTextWhole(QLineEdit* edit, const QString& text, int limit);

// Fields whose text is stored in an INI file take no more characters than a
// read gives back, so what the user sees is what is kept.
void limitToStoredText(std::initializer_list<QLineEdit*> edits);

// A path from a picker that is longer than `field` takes: the user is told
// why it is not taken, and false comes back. True when it fits.
bool pickedPathFits(const QString& path, const QLineEdit* field);
