#pragma once

class QDialog;

// Runs a settings dialog of the main window until it ends and returns its
// result. The strip stays fully usable meanwhile (painting, dragging, the
// tray icon, check results): nothing else is blocked, unlike QDialog::exec,
// which would make the dialog application-modal.
int runDialog(QDialog* dialog);

// Runs a dialog opened from another dialog: modal to that dialog only.
// Window modality also blocks the opener's own parents, so the main
// window's settings dialogs are top-level windows without a parent widget:
// then a sub-dialog never blocks the strip.
int runSubDialog(QDialog* dialog);
