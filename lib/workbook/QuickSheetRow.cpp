#include "QuickSheetRow.h"

namespace olvaris::workbook {

Quick QuickSheetRow::scan(std::string_view bytes) {
    QuickXml xml(bytes);
    m_cells.clear();
    m_resolved.clear();
    bool empty = false;
    if (!xml.skipText() || !xml.startOf("row") || !xml.startTag(m_attributes, 2, empty))
        return xml.failed();
    while (!empty) {
        if (xml.literal("</row>"))
            break;
        if (xml.startOf("c")) {
            if (!scanCell(xml))
                return xml.failed();
        } else if (!xml.atText() || !xml.skipText()) {
            return xml.failed();
        }
    }
    m_used = xml.used();
    return Quick::Read;
}

bool QuickSheetRow::scanCell(QuickXml& xml) {
    bool empty = false;
    if (!xml.startTag(m_cellAttributes, 3, empty))
        return false;
    Cell& cell = m_cells.emplace_back();
    cell.reference = m_cellAttributes[0].value;
    cell.style = m_cellAttributes[1].value;
    cell.type = m_cellAttributes[2].value;
    // One value at most: the scanner would join two, left to it.
    bool valued = false;
    while (!empty) {
        bool inner = false;
        if (xml.literal("</c>"))
            return true;
        const bool plainValue = xml.literal("<v>");
        if (plainValue || xml.startOf("v")) {
            if (valued || (!plainValue && !xml.startTag(nullptr, 0, inner))
                || (!inner && !endedText(xml, cell, "</v>")))
                return false;
            valued = true;
        } else if (xml.startOf("f")) {
            // A formula's text is no one's: passed over.
            if (!xml.startTag(nullptr, 0, inner) || (!inner && (!xml.skipText() || !xml.literal("</f>"))))
                return false;
        } else if (xml.startOf("is")) {
            if (valued || !xml.startTag(nullptr, 0, inner))
                return false;
            valued = true;
            // One <t> in the string, not a rich text's runs.
            for (bool text = false; !inner;) {
                bool emptyText = false;
                if (xml.literal("</is>"))
                    break;
                const bool plainText = xml.literal("<t>");
                if (plainText || xml.startOf("t")) {
                    if (text || (!plainText && !xml.startTag(nullptr, 0, emptyText))
                        || (!emptyText && !endedText(xml, cell, "</t>")))
                        return false;
                    text = true;
                } else if (!xml.atText() || !xml.skipText()) {
                    return false;
                }
            }
        } else if (!xml.atText() || !xml.skipText()) {
            return false;
        }
    }
    return true;
}

template <std::size_t N>
bool QuickSheetRow::endedText(QuickXml& xml, Cell& cell, const char (&end)[N]) {
    const size_t begin = m_resolved.size();
    bool resolved = false;
    if (!xml.text(cell.text, m_resolved, resolved) || !xml.literal(end))
        return false;
    if (resolved) {
        cell.resolvedAt = begin;
        cell.resolvedSize = m_resolved.size() - begin;
    }
    return true;
}

} // namespace olvaris::workbook
