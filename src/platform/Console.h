#pragma once

namespace Platform {

// What a command-line program asks of its console.
class Console {
public:
    // Whether standard error is a terminal (progress lines are shown only there).
    static bool StandardErrorIsTerminal();
};

} // namespace Platform
