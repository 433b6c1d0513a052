#pragma once

class CKorvalenDlg;

// For the check of the program in a real X server: with the environment
// variable KORVALEN_TEST_BOX_COMMANDS set to 1, the key A on the strip runs
// Add and the key E runs Edit for the tile under the mouse pointer, as the
// box context menu will. Without the variable nothing is installed.
void installBoxCommandTestHook(CKorvalenDlg* dlg);
