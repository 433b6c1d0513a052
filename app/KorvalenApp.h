#pragma once

#include <QStringList>

#include <functional>

// The application object: picks the instance, lets one process run each
// instance, and runs the main window until it is closed.
class CKorvalenApp
{
public:
    // Returns false on every path, as there is no message loop to run after
    // the main window's own.
    bool InitInstance(const QStringList& arguments);

    // Runs once this start is the instance's only process, before anything
    // else is set up: the sound and speech outputs are made there, so that a
    // start that only brings the running window forward costs no audio
    // connection and prints nothing.
    std::function<void()> m_setUpOutputs;

    // How long a second start waits for the running instance to answer
    // before it says that it does not.
    int m_answerWaitMs = 10000;
};

extern CKorvalenApp theApp;
