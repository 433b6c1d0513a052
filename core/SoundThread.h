#pragma once

#include "BoxRecord.h"

#include <QString>

#include <memory>

// What a sound thread is asked to do.
struct SoundRequest
{
    int m_nStatus = STATUS_UP; // selects the built-in sound
    QString m_strSoundFile;
    int m_bCustomSound = 0; // 1: the file; 0: the built-in sound; else nothing
    int m_bSpeak = 0;       // speak the text instead
    QString m_strSpeechText;
    QString m_strBoxName; // for "%name" and "%text" in the text
};

// Plays one sound or speaks one text on a thread of its own. The starter
// fills the request members, then hands the object to Begin.
class CSoundThread : public SoundRequest
{
public:
    // Set for a test the user asked for: what keeps it from being heard is
    // then said in a message box. Notifications stay silent.
    bool m_bTellFailure = false;

    static void Begin(std::unique_ptr<CSoundThread> thread);
    // The whole work: speak, or play the built-in sound of the status, or
    // play the sound file.
    void InitInstance();

    // The built-in sound of a status, or an empty name when it has none.
    static QString BuiltInSound(int status);
};

// What keeps the request from being heard, as the message that says what
// would fix it; empty when nothing does, or when nothing is to be heard.
QString soundTestProblem(const SoundRequest& request, bool hasDevice, bool hasVoice);
