#include "QuickSharedString.h"

namespace olvaris::workbook {

Quick QuickSharedString::scan(std::string_view bytes) {
    QuickXml xml(bytes);
    m_text = {};
    m_resolved.clear();
    bool empty = false;
    if (!xml.skipText() || !xml.startOf("si") || !xml.startTag(nullptr, 0, empty))
        return xml.failed();
    // One <t>, not a rich text's runs nor a phonetic one.
    for (bool text = false; !empty;) {
        bool emptyText = false, resolved = false;
        if (xml.literal("</si>"))
            break;
        const bool plainText = xml.literal("<t>");
        if (plainText || xml.startOf("t")) {
            if (text || (!plainText && !xml.startTag(nullptr, 0, emptyText))
                || (!emptyText && (!xml.text(m_text, m_resolved, resolved) || !xml.literal("</t>"))))
                return xml.failed();
            if (resolved)
                m_text = m_resolved;
            text = true;
        } else if (!xml.atText() || !xml.skipText()) {
            return xml.failed();
        }
    }
    m_used = xml.used();
    return Quick::Read;
}

} // namespace olvaris::workbook
