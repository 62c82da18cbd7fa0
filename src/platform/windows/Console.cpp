#include "platform/Console.h"

#include <cstdio>

#include <io.h>

namespace Platform {

bool Console::StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace Platform
