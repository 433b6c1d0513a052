#include "Dialogs.h"

#include <atomic>

namespace platform {

namespace {

class CancelledDialogs : public DialogService
{
public:
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override { return QString(); }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
};

CancelledDialogs g_cancelled;
std::atomic<DialogService*> g_service{nullptr};

} // namespace

DialogService& dialogService()
{
    DialogService* service = g_service.load();
    return service ? *service : g_cancelled;
}

void setDialogService(DialogService* service)
{
    g_service = service;
}

} // namespace platform
