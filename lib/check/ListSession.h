#pragma once
#include "CheckedOutput.h"
#include "ListCheckOptions.h"
#include "ListPreview.h"
#include <atomic>
#include <memory>
#include <string>
#include <sys/types.h>

namespace olvaris {
class Error;
}

namespace olvaris::check {

class ListUnderCheck;
class VerdictLog;

// The check of one list as a window holds it: the list opened and read to
// its header once (what will be read shown before the check), its rows
// judged once, and the checked list saved from those verdicts, so what is
// saved is what was shown. No thread of its own: the caller runs each step
// where it likes, one at a time.
class ListSession {
public:
    // database: the path's own bytes.
    explicit ListSession(std::string database);
    ~ListSession();
    ListSession(const ListSession&) = delete;
    ListSession& operator=(const ListSession&) = delete;

    // Opens the list and reads it to its header. Throws nothing about the
    // list: where the check refuses it, the preview says why and offers the
    // first rows' columns to pick from.
    ListPreview open(const ListCheckOptions& options);
    const ListCheckOptions& options() const { return m_options; }

    // Judges each row of the list last opened into output, in the list's
    // order (a list checked before is read again), and keeps every verdict
    // for save(). Throws olvaris::Error, and CheckStopped once *stop is set.
    Tally check(CheckedOutput& output, const std::atomic<bool>* stop = nullptr);
    // How much of the list the check has read (0 to 1; below 0 where that
    // cannot be told). Only from the thread that checks.
    double fractionRead() const;

    // The list last checked written to path as the command line's --output
    // writes it, each row with the verdict it was shown with: a list that
    // has changed since is refused, never judged anew. A file that is not
    // an earlier check's output is replaced (the person was asked). Throws
    // olvaris::Error, and CheckStopped once *stop is set (nothing is left
    // at path then).
    void save(const std::string& path, bool problemsOnly, bool apply, const std::atomic<bool>* stop = nullptr);

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        long long modified = 0; // nanoseconds
        bool operator==(const Identity& other) const {
            return device == other.device && inode == other.inode && size == other.size && modified == other.modified;
        }
    };
    static Identity identityOf(int descriptor);

    std::string m_database;
    ListCheckOptions m_options;
    std::unique_ptr<ListUnderCheck> m_list; // opened and not yet checked, or being checked
    std::unique_ptr<VerdictLog> m_verdicts; // of the last whole check
    Identity m_checked;                     // the file those verdicts are of
};

// An error as a person is told it: "file:line: message", the file the one
// it is about, or the list's where the thrower did not say.
std::string problemText(const Error& error, const std::string& list);

} // namespace olvaris::check
