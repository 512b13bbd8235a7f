#pragma once
// What a workbook's XML part gives its handlers, as a list: "<name", then
// "@key" and "=value" for each attribute, "\"text" for each run of text
// (the pieces an engine hands over joined), "/name" at each end. The
// quick scanner and expat must give the same list for the same bytes.
#include "ReadError.h"
#include "XmlReader.h"
#include <optional>
#include <string>
#include <vector>

namespace olvaris::test {

class XmlEvents : public workbook::XmlReader {
public:
    using Events = std::vector<std::string>;

    // None where the engine refuses the part.
    static std::optional<Events> of(const workbook::ZipArchive& archive, const std::string& part, Engine engine) {
        try {
            XmlEvents events(archive, part, engine);
            while (events.run()) {
            }
            return std::move(events.m_events);
        } catch (const ziplist::ReadError&) {
            return std::nullopt;
        }
    }

    // Why the engine refuses the part; empty where it reads it.
    static std::string whyRefused(const workbook::ZipArchive& archive, const std::string& part, Engine engine) {
        try {
            XmlEvents events(archive, part, engine);
            while (events.run()) {
            }
            return {};
        } catch (const ziplist::ReadError& error) {
            return error.what();
        }
    }

private:
    using XmlReader::XmlReader;

    void start(std::string_view name, const char** attributes) override {
        m_events.push_back("<" + std::string(name));
        for (const char** at = attributes; *at != nullptr; at += 2) {
            m_events.push_back(std::string("@") + at[0]);
            m_events.push_back(std::string("=") + at[1]);
        }
        ++m_depth;
        collect(true);
    }
    void end(std::string_view name) override {
        m_events.push_back("/" + std::string(name));
        collect(--m_depth > 0);
    }
    void text(std::string_view text) override {
        if (m_events.empty() || m_events.back().front() != '"')
            m_events.emplace_back("\"");
        m_events.back() += text;
    }

    Events m_events;
    int m_depth = 0;
};

} // namespace olvaris::test
