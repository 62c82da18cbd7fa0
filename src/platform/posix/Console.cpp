#include "platform/Console.h"

#include <unistd.h>

namespace Platform {

bool Console::StandardErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) != 0;
}

} // namespace Platform
