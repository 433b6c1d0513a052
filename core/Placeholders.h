#pragma once

#include "BoxSnapshot.h"

#include <QString>

// The word for the box's status in program parameters ("NETERROR", no
// blanks), in message boxes ("NET ERROR"), empty where a status has none.
QString programStatusWord(int status, int method);
QString messageStatusWord(int status, int method);
// "Ping", "TCP" or "URL", as "%method" gives it; empty for another number.
QString methodWord(int method);

enum class PlaceholderSet
{
    CustomApplication, // custom applications and the double click
    Notification,      // the notification's program run: "%time" too
};

// Replaces the placeholders one after the other in their fixed order, each
// everywhere in the result of the previous step. `now` is the text for
// "%time" ("%x %X").
QString expandPlaceholders(const QString& text, const BoxSnapshot& box, PlaceholderSet set,
                           const QString& now = QString());

// The host and port that a URL box's URL names, as the URL splitter gives
// them; an empty host and port 0 when it cannot be split.
struct UrlHostPort
{
    QString host;
    uint16_t port = 0;
};
UrlHostPort urlHostPort(const QString& url);
