#include "KorvalenDlg.h"

#include "core/ConfigKeys.h"
#include "core/NetThread.h"
#include "platform/desktop/MessageBox.h"

#include <type_traits>
#include <variant>

// The strip commands of the box context menu. Each keeps slot i holding the
// box of index i, the slots past the count empty, and a check thread for
// exactly the enabled boxes, and saves every box.
//
// Check threads go on running while boxes change their slots. A result sent
// under a box's old index is dropped by OnCheckResult, because it carries the
// identity of its thread's start and the box now in that slot is served by
// another start (or by none).

namespace {

// Moves the box in slot `from` to slot `to`, which must be empty.
void moveToSlot(BoxArray& boxes, int from, int to)
{
    BoxRecord* box = boxes[size_t(from)];
    boxes[size_t(from)] = nullptr;
    boxes[size_t(to)] = box;
    if (box)
        box->m_nIndex = to;
}

// Every stored setting of a box; the run-time state stays as it is.
void copySettings(const BoxRecord& from, BoxRecord& to)
{
    for (const BoxKeySpec& key : boxKeys())
        std::visit([&](auto field) { to.*field = from.*field; }, key.field);
    to.m_strOnLinePicPath = from.m_strOnLinePicPath;
    to.m_strOffLinePicPath = from.m_strOffLinePicPath;
}

} // namespace

void CKorvalenDlg::OnDeleteCheck()
{
    const int slot = m_nSelectedBox - 1;
    if (NumBox <= 1 || slot < 0 || slot >= NumBox)
        return;
    m_bBusy = true;
    if (platform::AfxMessageBox(this, QStringLiteral("Are you sure that you want to delete this Check?"),
                                platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES) {
        m_bBusy = false;
        return;
    }
    // Results went on arriving while the question was open; the strip itself
    // is checked again all the same.
    if (NumBox <= 1 || slot >= NumBox || !m_pBoxes[size_t(slot)]) {
        m_bBusy = false;
        return;
    }
    delete m_pBoxes[size_t(slot)]; // lets its check thread go first
    m_pBoxes[size_t(slot)] = nullptr;
    for (int i = slot + 1; i < NumBox; ++i)
        moveToSlot(m_pBoxes, i, i - 1);
    --NumBox;
    m_bHighlight = false;
    ResizeToBoxes();
    SaveBoxes();
    m_bBusy = false;
}

void CKorvalenDlg::OnMoveBox(bool towardsEnd)
{
    const int i = m_nSelectedBox - 1;
    const int j = towardsEnd ? i + 1 : i - 1;
    if (i < 0 || i >= NumBox || j < 0 || j >= NumBox)
        return;
    BoxRecord* selected = m_pBoxes[size_t(i)];
    BoxRecord* neighbour = m_pBoxes[size_t(j)];
    selected->m_nIndex = j;
    neighbour->m_nIndex = i;
    m_pBoxes[size_t(i)] = neighbour;
    m_pBoxes[size_t(j)] = selected;
    m_bHighlight = false;
    repaint();
    SaveBoxes();
}

void CKorvalenDlg::OnDuplicateCheck()
{
    const int s = m_nSelectedBox;
    if (s < 1 || s > NumBox || NumBox >= kMaxBoxes)
        return;
    for (int i = NumBox - 1; i >= s; --i)
        moveToSlot(m_pBoxes, i, i + 1);
    auto* copy = new BoxRecord(m_hWnd, s);
    m_pBoxes[size_t(s)] = copy;
    copySettings(*m_pBoxes[size_t(s - 1)], *copy);
    ReloadBoxIcons(s);
    // The copy has its status before it is counted: OnCheckResult takes the
    // index one past the last box for it.
    if (copy->Disabled == 0) {
        OnCheckResult(packCheckResult(STATUS_CHECKING, s), 0);
        copy->StartThread();
    } else {
        OnCheckResult(packCheckResult(STATUS_DISABLED, s), 0);
    }
    ++NumBox;
    m_bHighlight = false;
    ResizeToBoxes();
    SaveBoxes();
}

void CKorvalenDlg::OnDisableEnableCheck()
{
    const int slot = m_nSelectedBox - 1;
    if (slot < 0 || slot >= NumBox || !m_pBoxes[size_t(slot)])
        return;
    BoxRecord& box = *m_pBoxes[size_t(slot)];
    if (box.Disabled == 0) {
        box.DetachThread();
        OnCheckResult(packCheckResult(STATUS_DISABLED, slot), 0);
        box.Disabled = 1;
    } else {
        OnCheckResult(packCheckResult(STATUS_CHECKING, slot), 0);
        box.StartThread();
        box.Disabled = 0;
    }
    SaveBoxes();
}
