#pragma once

#include <QString>

#include <cstdint>

namespace platform {

// The conversions of the Windows C runtime, whose `long` is 32 bits wide.

// `_wtoi`: leading blanks, an optional sign, decimal digits up to the first
// other character; saturates at the 32-bit limits; no digits gives 0.
int32_t wtoi32(const QString& text);

// `wcstoul` with base 0: "0x" hexadecimal, a leading 0 octal, else decimal;
// a leading minus negates modulo 2^32; beyond 32 bits gives 0xFFFFFFFF.
uint32_t wcstoul32(const QString& text);

} // namespace platform
