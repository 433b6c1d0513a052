#pragma once

#include <QStringList>

// The application object: picks the instance, lets one process run each
// instance, and runs the main window until it is closed.
class CKorvalenApp
{
public:
    // Returns false on every path, as there is no message loop to run after
    // the main window's own.
    bool InitInstance(const QStringList& arguments);
};

extern CKorvalenApp theApp;
