#pragma once

// What a two-state control (a check box, or a pair of radio buttons) hands
// back for a stored flag: the stored value itself for as long as the control
// shows it as it was shown (a hand-edited 2 or -1 shows as on), else 1 for on
// and 0 for off. A dialog left with OK untouched thus stores what it read.
template <typename T> constexpr T keptFlag(T held, bool on)
{
    return (held != 0) == on ? held : T(on ? 1 : 0);
}
