#pragma once

#include "BoxRecord.h"
#include "MainSettings.h"
#include "SoundThread.h"

#include <QString>

#include <cstdint>
#include <ctime>

// The bit of the Sound and MsgBox masks that selects a status (0: none).
uint32_t notifyMaskBit(int status);
// The bit of ExecFileStatusCheck that selects a status (0: none).
uint32_t execMaskBit(int status);

// The repeat rule of a notification: counts the reports of a status that the
// mask selects and fires once per episode, at report number repeat + 1. The
// counter holds 0xFFFF once it has fired in the episode.
bool repeatRuleFires(uint32_t mask, int status, int previousStatus, uint32_t& counter, uint32_t repeat,
                     uint32_t (*bitOf)(int) = notifyMaskBit);

// The request for a box's new status: its own sound file or speech text when
// the box asks for one, the error sound settings for errors, else the
// built-in sound.
SoundRequest soundRequestFor(const BoxRecord& box, int status, const MainSettings& settings);

// What a check result leads to, once it is stored in the box.
struct Evaluation
{
    bool repaint = false;
    bool sound = false;
    SoundRequest soundRequest;
    bool messageBox = false;
    bool log = false;
    bool program = false;
};

// Stores a result in the box (status, reply time, code, status text, time of
// the change, repeat counters) and says what to repaint and start.
Evaluation evaluateResult(BoxRecord& box, int status, uint32_t replyTime, uint32_t errorCode,
                          const MainSettings& settings, std::time_t now);
