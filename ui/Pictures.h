#pragma once

#include <QIcon>

// The picture of a resource number (":/images/N.png"), the same icon every
// time it is asked for; a null icon for 0. Menus and message boxes are built
// anew at every opening: with a new icon each time, every opening would add
// fresh scaled copies to the pixmap cache under the new icon's key, and the
// cache would fill up to its limit. One icon per picture keeps one copy.
QIcon resourcePicture(int number);
