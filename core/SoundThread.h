#pragma once

#include "BoxRecord.h"

#include <QString>

#include <memory>

// Plays one sound or speaks one text on a thread of its own. The starter
// fills the request members, then hands the object to Begin.
class CSoundThread
{
public:
    static void Begin(std::unique_ptr<CSoundThread> thread);
    // The whole work: speak, or play the built-in sound of the status, or
    // play the sound file.
    void InitInstance();

    // The built-in sound of a status, or an empty name when it has none.
    static QString BuiltInSound(int status);

    int m_nStatus = STATUS_UP;
    QString m_strSoundFile;
    int m_bCustomSound = 0;
    int m_bSpeak = 0;
    QString m_strSpeechText;
    QString m_strBoxName;
};
