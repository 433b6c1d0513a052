#pragma once

class QLineEdit;

// Lets the edit take digits only, at most `maxLength` of them (an empty
// field stays possible: the dialog decides what it means).
void makeDigitsOnly(QLineEdit* edit, int maxLength);
