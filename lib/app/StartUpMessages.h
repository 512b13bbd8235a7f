#pragma once

namespace olvaris {

// Started where no display can be opened (over ssh, from cron), Qt reports
// it as a fatal error and aborts with a core dump. While one of these
// lives (around the application's construction), the platform's complaints
// are kept back, and a fatal one ends the program with one line
// ("PROGRAM: cannot open the display: why") and status 1.
class StartUpMessages {
public:
    explicit StartUpMessages(const char* program);
    ~StartUpMessages();
    StartUpMessages(const StartUpMessages&) = delete;
    StartUpMessages& operator=(const StartUpMessages&) = delete;
};

} // namespace olvaris
