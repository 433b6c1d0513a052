#pragma once

#include <QString>

class QWidget;

namespace platform {

// Message box types and answers, with the numbers of the Windows calls that
// the callers pass and test.
enum : unsigned
{
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_SYSTEMMODAL = 0x1000,
    MB_TOPMOST = 0x40000,
};
enum : int
{
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7
};

// Shows message boxes. The program installs one that shows Qt message boxes;
// tests install a recording fake.
class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    // Shows the box and returns the answer (IDOK …).
    virtual int show(const QString& text, const QString& caption, unsigned type) = 0;
    // Shows the box on the user-interface thread without waiting for it;
    // callable from any thread.
    virtual void post(const QString& text, const QString& caption, unsigned type) = 0;
    // The same, for a box that belongs to `owner` (a dialog, the strip): it
    // stands above its owner whatever the owner's z-order. Services that
    // show no windows need not tell the two apart.
    virtual int showOwned(QWidget* owner, const QString& text, const QString& caption, unsigned type)
    {
        (void)owner;
        return show(text, caption, type);
    }
    virtual void postOwned(QWidget* owner, const QString& text, const QString& caption, unsigned type)
    {
        (void)owner;
        post(text, caption, type);
    }
};

// The installed service; without one, texts go to the standard error stream
// and the answer is IDOK (or IDNO / IDCANCEL where there is a choice).
MessageBoxService& messageBoxService();
// Installs a service (not owned); nullptr restores the default.
void setMessageBoxService(MessageBoxService* service);

// A box captioned as the caller says ("Korvalen" for the system's own).
int MessageBoxW(const QString& text, const QString& caption, unsigned type);
// A box shown without waiting for it, from any thread (always on top when
// the type asks for a system-modal or top-most box).
void postMessageBox(const QString& text, const QString& caption, unsigned type);
// A box captioned with the application's title.
int AfxMessageBox(const QString& text, unsigned type = MB_OK);
// The same boxes raised by a window of the program, which they stand above.
int AfxMessageBox(QWidget* owner, const QString& text, unsigned type = MB_OK);
void postMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);

} // namespace platform
