#include "KorvalenDlg.h"

// The box properties dialog's side of the main window: filling it for a new
// or the selected box, and taking its values over.

void CKorvalenDlg::AddCheck() {}

void CKorvalenDlg::EditCheck() {}

platform::LRESULT CKorvalenDlg::OnApplyBoxProperties(platform::WPARAM, platform::LPARAM)
{
    return 0;
}
