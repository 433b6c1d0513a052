#pragma once

class QAbstractButton;
class QDialog;

// The frame every settings dialog shares: the program icon, no minimise or
// maximise button, and a size fixed by its layout.
void setDialogFrame(QDialog* dialog);

// Puts the 16 by 16 picture of a resource number (206 OK, 207 Cancel, 205
// test …) on a button.
void setButtonIcon(QAbstractButton* button, int resource);
