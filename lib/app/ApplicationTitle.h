#pragma once
#include <QString>

namespace olvaris {

// The process-wide title of every message box that has no title of its own.
class ApplicationTitle {
public:
    static QString current();
    static void set(const QString& title);
    // Back to the value the process starts with (the first 39 characters of
    // the product name); for tests that start the program again in-process.
    static void reset();

    // The start-up rule: cut the name at its last blank, and again while the
    // result is longer than 40 characters. A name without a blank stays whole.
    static QString shortened(const QString& name);
};

} // namespace olvaris
