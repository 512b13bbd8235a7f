#include "XmlReader.h"
#include "OutOfMemory.h"
#include "ReadError.h"
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
        reader.start(localName(name), attributes);
    });
}

void XmlReader::onEnd(void* self, const XML_Char* name) {
    guarded(self, [&](XmlReader& reader) {
        --reader.m_depth;
        reader.end(localName(name));
    });
}

void XmlReader::onText(void* self, const XML_Char* text, int length) {
    guarded(self, [&](XmlReader& reader) {
        if (reader.m_collecting)
            reader.text(std::string_view(text, size_t(length)));
    });
}

void XmlReader::onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    guarded(self, [](XmlReader& reader) {
        reader.stop("declares a document type (where entities are declared): no workbook does");
    });
}

} // namespace olvaris::workbook
