#include "MessageBox.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

class StderrMessageBoxes : public MessageBoxService
{
public:
    int show(const QString& text, const QString& caption, unsigned type) override
    {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
        switch (type & 0xF) {
        case MB_YESNO:
            return IDNO;
        case MB_OKCANCEL:
        case MB_YESNOCANCEL:
            return IDCANCEL;
        default:
            return IDOK;
        }
    }
    void post(const QString& text, const QString& caption, unsigned type) override
    {
        show(text, caption, type);
    }
};

StderrMessageBoxes g_default;
std::atomic<MessageBoxService*> g_service{nullptr};

} // namespace

MessageBoxService& messageBoxService()
{
    MessageBoxService* service = g_service.load();
    return service ? *service : g_default;
}

void setMessageBoxService(MessageBoxService* service)
{
    g_service = service;
}

int MessageBoxW(const QString& text, const QString& caption, unsigned type)
{
    return messageBoxService().show(text, caption, type);
}

void postMessageBox(const QString& text, const QString& caption, unsigned type)
{
    messageBoxService().post(text, caption, type);
}

int AfxMessageBox(const QString& text, unsigned type)
{
    return messageBoxService().show(text, QStringLiteral("Korvalen"), type);
}

int AfxMessageBox(QWidget* owner, const QString& text, unsigned type)
{
    return messageBoxService().showOwned(owner, text, QStringLiteral("Korvalen"), type);
}

void postMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type)
{
    messageBoxService().postOwned(owner, text, caption, type);
}

} // namespace platform
