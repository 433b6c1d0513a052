// Drops its capabilities as the program does first thing in main, then prints
// "dropped" or "kept" and the capability sets it holds after that.
#include "platform/Capabilities.h"

#include <fstream>
#include <iostream>
#include <string>

int main()
{
    std::cout << (platform::dropCapabilities() ? "dropped" : "kept") << '\n';
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Cap", 0) == 0 && line.rfind("CapBnd", 0) != 0)
            std::cout << line << '\n';
}
