#include "XmlReader.h"
#include "OutOfMemory.h"
#include "ReadError.h"
#include <algorithm>
#include <cstring>

namespace olvaris::workbook {

using ziplist::ReadError;

namespace {

constexpr size_t Piece = 256 * size_t(1024);
constexpr int DeepestNesting = 64;

} // namespace

XmlReader::XmlReader(const ZipArchive& archive, const std::string& part, Engine engine) : m_name(part) {
    if (engine == Engine::Scanner) {
        m_scanner.emplace(archive, part);
        return;
    }
    m_part.emplace(archive, part);
    m_parser = XML_ParserCreate(nullptr);
    if (m_parser == nullptr)
        outOfMemory();
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, onStart, onEnd);
    XML_SetCharacterDataHandler(m_parser, onText);
    XML_SetStartDoctypeDeclHandler(m_parser, onDoctype);
    m_piece.resize(Piece);
}

XmlReader::~XmlReader() {
    if (m_parser != nullptr)
        XML_ParserFree(m_parser);
}

std::string_view XmlReader::localName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

const char* XmlReader::attribute(const char** attributes, std::string_view name) {
    for (const char** at = attributes; *at != nullptr; at += 2) {
        // Most attributes have no prefix: their name is compared as it is.
        const char* key = at[0];
        if (std::strncmp(key, name.data(), name.size()) == 0 && key[name.size()] == '\0')
            return at[1];
        if (std::strchr(key, ':') != nullptr && localName(key) == name)
            return at[1];
    }
    return nullptr;
}

namespace {

// Where a name's prefix ends, its ':' (the name's size where it has none):
// names are a few bytes, looked through here rather than by a call.
std::size_t colonOf(std::string_view name) {
    std::size_t colon = 0;
    while (colon < name.size() && name[colon] != ':')
        ++colon;
    return colon;
}

} // namespace

std::size_t XmlReader::declaredSpace(std::string_view prefix) {
    const auto declared = std::find_if(m_declared.rbegin(), m_declared.rend(),
                                       [&](const Declared& each) { return each.prefix == prefix; });
    if (declared == m_declared.rend() && !prefix.empty())
        return NoSpace; // undeclared: no namespace read here
    // The name kept is the declaration's, which lasts as long as the list.
    const Told told{declared != m_declared.rend() ? std::string_view(declared->prefix) : std::string_view(),
                    declared != m_declared.rend() ? declared->space : NoSpace};
    m_told[m_toldNext] = told;
    m_toldNext = (m_toldNext + 1) % m_told.size();
    m_toldCount = std::min(m_toldCount + 1, m_told.size());
    return told.space;
}

void XmlReader::opened(std::string_view name, const char** attributes) {
    const std::size_t before = m_declared.size();
    for (const char** at = attributes; *at != nullptr; at += 2) {
        const char* key = at[0];
        if (key[0] != 'x' || std::strncmp(key, "xmlns", 5) != 0 || (key[5] != '\0' && key[5] != ':'))
            continue;
        const auto read = std::find(m_spaces.begin(), m_spaces.end(), std::string_view(at[1]));
        m_declared.push_back(
            {key[5] == ':' ? key + 6 : "", read != m_spaces.end() ? std::size_t(read - m_spaces.begin()) : NoSpace});
    }
    if (m_declared.size() != before)
        m_toldCount = m_toldNext = 0;
    const std::size_t colon = colonOf(name);
    m_space = spaceOf(name.substr(0, colon < name.size() ? colon : 0));
    m_open.push_back({before, m_space});
    if (m_passing > 0 || (!m_spaces.empty() && m_space == NoSpace))
        ++m_passing;
    else
        start(name.substr(colon < name.size() ? colon + 1 : 0), attributes);
}

void XmlReader::closed(std::string_view name) {
    const Open open = m_open.back();
    m_open.pop_back();
    m_space = open.space;
    if (m_passing > 0) {
        --m_passing;
    } else {
        const std::size_t colon = colonOf(name);
        end(name.substr(colon < name.size() ? colon + 1 : 0));
    }
    if (m_declared.size() != open.declared) {
        m_declared.resize(open.declared);
        m_toldCount = m_toldNext = 0;
    }
}

void XmlReader::pause() {
    if (m_parser != nullptr)
        XML_StopParser(m_parser, XML_TRUE);
    else
        m_pauseAsked = true;
}

void XmlReader::stop(const std::string& why) {
    if (m_refused.empty())
        m_refused = why;
    XML_StopParser(m_parser, XML_FALSE);
}

void XmlReader::fail() {
    if (m_thrown)
        std::rethrow_exception(m_thrown);
    if (!m_refused.empty())
        throw ReadError(0, m_name + " " + m_refused);
    throw ReadError(0, "the workbook is damaged: " + m_name + ", line "
                           + std::to_string(XML_GetCurrentLineNumber(m_parser)) + ": "
                           + XML_ErrorString(XML_GetErrorCode(m_parser)));
}

bool XmlReader::run() {
    if (m_scanner)
        return m_scanner->run(*this);
    if (m_suspended) {
        m_suspended = false;
        const XML_Status status = XML_ResumeParser(m_parser);
        if (status == XML_STATUS_ERROR || m_thrown)
            fail();
        if (status == XML_STATUS_SUSPENDED) {
            m_suspended = true;
            return true;
        }
    }
    while (!m_ended) {
        const size_t got = m_part->read(m_piece.data(), m_piece.size());
        m_ended = got == 0;
        const XML_Status status = XML_Parse(m_parser, m_piece.data(), int(got), m_ended ? XML_TRUE : XML_FALSE);
        if (status == XML_STATUS_ERROR || m_thrown)
            fail();
        if (status == XML_STATUS_SUSPENDED) {
            m_suspended = true;
            return true;
        }
    }
    return false;
}

template <typename Handler>
void XmlReader::guarded(void* self, Handler handler) {
    auto* reader = static_cast<XmlReader*>(self);
    if (reader->m_thrown)
        return; // expat may call on after it is stopped
    try {
        handler(*reader);
    } catch (...) {
        reader->m_thrown = std::current_exception();
        XML_StopParser(reader->m_parser, XML_FALSE);
    }
}

void XmlReader::onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
    guarded(self, [&](XmlReader& reader) {
        if (++reader.m_depth > DeepestNesting)
            return reader.stop("nests elements more than " + std::to_string(DeepestNesting)
                               + " deep: no workbook does");
        reader.opened(name, attributes);
    });
}

void XmlReader::onEnd(void* self, const XML_Char* name) {
    guarded(self, [&](XmlReader& reader) {
        // An element refused for its depth was never opened.
        if (reader.m_depth-- <= DeepestNesting)
            reader.closed(name);
    });
}

void XmlReader::onText(void* self, const XML_Char* text, int length) {
    guarded(self, [&](XmlReader& reader) {
        if (reader.wantsText())
            reader.text(std::string_view(text, size_t(length)));
    });
}

void XmlReader::onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    guarded(self, [](XmlReader& reader) {
        reader.stop("declares a document type (where entities are declared): no workbook does");
    });
}

} // namespace olvaris::workbook
