#include "DialogRun.h"

#include "platform/FreeHeap.h"

#include <QDialog>
#include <QEventLoop>
#include <QPointer>

int runDialog(QDialog* dialog)
{
    QPointer<QDialog> guard(dialog);
    dialog->setWindowModality(Qt::NonModal);
    dialog->setResult(QDialog::Rejected);
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    loop.exec(QEventLoop::DialogExec);
    // What the run built and let go (layouts, pictures, texts) lies spread
    // between pieces still in use; without this, every run leaves the heap
    // a little bigger.
    platform::releaseFreeHeap();
    return guard ? guard->result() : QDialog::Rejected;
}

int runSubDialog(QDialog* dialog)
{
    dialog->setWindowModality(Qt::WindowModal);
    return dialog->exec();
}
