#pragma once
#include "Failure.h"
#include <functional>
#include <new>

namespace olvaris {

// Shows the error box for one failed statement and returns when it is closed.
using ErrorReporter = std::function<void(const char* location, const QString& description, int statement)>;

// The error trap of a command handler. A failing statement is reported with
// its number and the handler goes on with the next one; the trap itself holds
// nothing but the handler's location text.
class Trap {
public:
    Trap(const char* location, ErrorReporter reporter) : m_location(location), m_reporter(std::move(reporter)) {}

    // An ordinary statement: run it; on failure report and carry on.
    template <class F>
    void statement(int number, F&& body) {
        try {
            body();
        } catch (...) {
            reportCurrent(number);
        }
    }

    // The test at the head of a conditional or loop: on failure the body runs.
    template <class F>
    bool headTest(int number, F&& test) {
        try {
            return test();
        } catch (...) {
            reportCurrent(number);
            return true;
        }
    }

    // The closing test of a loop: on failure the loop is left.
    template <class F>
    bool closingTest(int number, F&& test) {
        try {
            return test();
        } catch (...) {
            reportCurrent(number);
            return false;
        }
    }

    const char* location() const { return m_location; }

private:
    void reportCurrent(int number);

    const char* m_location;
    ErrorReporter m_reporter;
};

} // namespace olvaris
