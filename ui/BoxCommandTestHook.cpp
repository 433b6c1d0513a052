#include "BoxCommandTestHook.h"

#include "KorvalenDlg.h"
#include "StripGeometry.h"

#include <QCursor>
#include <QKeyEvent>
#include <QTimer>

namespace {

class BoxCommandKeys : public QObject
{
public:
    explicit BoxCommandKeys(CKorvalenDlg* dlg) : QObject(dlg), m_dlg(dlg) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_dlg || event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_A && key != Qt::Key_E)
            return false;
        const int box = HitTestBox(m_dlg->Metrics(), m_dlg->mapFromGlobal(QCursor::pos()));
        if (key == Qt::Key_E && box == 0)
            return true;
        // Run after the key is handled, as a menu command would be.
        QTimer::singleShot(0, m_dlg, [dlg = m_dlg, key, box] {
            dlg->m_nSelectedBox = box;
            if (key == Qt::Key_A) {
                dlg->m_nLastCommand = 32784;
                dlg->m_bAddMode = true;
                dlg->AddCheck();
            } else {
                dlg->m_nLastCommand = 32785;
                dlg->EditCheck();
            }
        });
        return true;
    }

private:
    CKorvalenDlg* m_dlg;
};

} // namespace

void installBoxCommandTestHook(CKorvalenDlg* dlg)
{
    if (qEnvironmentVariable("KORVALEN_TEST_BOX_COMMANDS") == QLatin1String("1"))
        dlg->installEventFilter(new BoxCommandKeys(dlg));
}
