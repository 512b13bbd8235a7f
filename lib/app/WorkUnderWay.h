#pragma once
#include <functional>

namespace olvaris {

// What is under way: the runs, saves and copies that have begun and not yet
// ended. Any command may begin and end inside another's yield, so the
// pointer a command sets as it ends cannot tell whether the list is free;
// this record can. The window shows the busy pointer while it is not empty,
// and the list's removal and clear refuse to act.
class WorkUnderWay {
public:
    // One command's share, from its start to its end (by scope).
    class Hold {
    public:
        explicit Hold(WorkUnderWay& work) : m_work(&work) { m_work->begin(); }
        ~Hold() {
            if (m_work)
                m_work->end();
        }
        Hold(Hold&& other) noexcept : m_work(other.m_work) { other.m_work = nullptr; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        Hold& operator=(Hold&&) = delete;

    private:
        WorkUnderWay* m_work;
    };

    Hold hold() { return Hold(*this); }
    bool any() const { return m_count > 0; }

    // Called when the record goes from empty to not empty and back.
    void onChange(std::function<void()> changed) { m_changed = std::move(changed); }

private:
    void begin() {
        if (m_count++ == 0 && m_changed)
            m_changed();
    }
    void end() {
        if (--m_count == 0 && m_changed)
            m_changed();
    }

    int m_count = 0;
    std::function<void()> m_changed;
};

} // namespace olvaris
