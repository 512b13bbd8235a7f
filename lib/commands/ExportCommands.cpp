#include "ExportCommands.h"
#include "ClipboardCopy.h"
#include "SaveText.h"
#include "ApplicationTitle.h"
#include "ErrorReport.h"
#include "Locations.h"
#include "PointerShape.h"
#include "WorkUnderWay.h"
#include "Yielder.h"
#include "ResultsList.h"
#include <optional>

namespace olvaris {

void ExportCommands::PushButton2_Click() { save(location::PushButton2Click, SaveShape::ZipCodes); }
void ExportCommands::PushButton13_Click() { save(location::PushButton13Click, SaveShape::CitiesAndStates); }
void ExportCommands::PushButton4_Click() { save(location::PushButton4Click, SaveShape::AllColumns); }

void ExportCommands::save(const char* location, SaveShape shape) {
    if (m_saving) {
        m_pendingSaves.push_back(shape);
        return;
    }
    Trap trap = trapFor(location, m_surface.platform());
    QString fileName;
    trap.statement(106, [&] { m_dialog.flags = SaveDialogFlags; });
    trap.statement(108, [&] { m_dialog.title = QStringLiteral("Save"); });
    trap.statement(110, [&] { m_dialog.filter = QString::fromLatin1(SaveDialogFilter); });
    trap.statement(112, [&] {
        // The dialog starts with the name chosen last; a cancel answers with
        // no name but keeps that one for next time.
        m_dialog.fileName =
            m_surface.platform().askSaveFileName({m_dialog.title, m_dialog.filter, m_dialog.lastChosen});
        if (!m_dialog.fileName.isEmpty())
            m_dialog.lastChosen = m_dialog.fileName;
    });
    trap.statement(114, [&] { fileName = m_dialog.fileName; });
    if (trap.headTest(116, [&] { return fileName.isEmpty(); }))
        return;
    m_saving = true;
    std::optional<WorkUnderWay::Hold> underWay(m_surface.work().hold());
    trap.statement(118, [&] { m_surface.setMousePointer(pointer::Busy); });
    trap.statement(120, [&] {
        Yielder& yielder = m_surface.yielder();
        yielder.startCommand();
        const ResultsList& list = m_surface.results();
        switch (shape) {
        case SaveShape::ZipCodes:
            SaveZipCodes(list, fileName, yielder);
            break;
        case SaveShape::CitiesAndStates:
            SaveCitiesAndStates(list, fileName, resolveSeparator(m_surface.separatorText()), yielder);
            break;
        case SaveShape::AllColumns:
            SaveAllColumns(list, fileName, resolveSeparator(m_surface.separatorText()), yielder);
            break;
        }
    });
    trap.statement(122, [&] { m_surface.setMousePointer(pointer::Default); });
    underWay.reset();
    m_saving = false;
    startPendingSaves();
}

void ExportCommands::startPendingSaves() {
    while (!m_pendingSaves.empty() && !m_saving) {
        const SaveShape next = m_pendingSaves.front();
        m_pendingSaves.erase(m_pendingSaves.begin());
        switch (next) {
        case SaveShape::ZipCodes:
            PushButton2_Click();
            break;
        case SaveShape::CitiesAndStates:
            PushButton13_Click();
            break;
        case SaveShape::AllColumns:
            PushButton4_Click();
            break;
        }
    }
}

void ExportCommands::PushButton6_Click() {
    Trap trap = trapFor(location::PushButton6Click, m_surface.platform());
    bool copied = false;
    // The list is held (removal and clear refused) while the copy reads it.
    std::optional<WorkUnderWay::Hold> underWay(m_surface.work().hold());
    trap.statement(106, [&] {
        m_surface.yielder().startCommand();
        CopyResultsToClipboard(m_surface.results(), m_surface.yielder());
        copied = true;
    });
    underWay.reset();
    // Only a copy that worked is confirmed.
    if (copied)
        trap.statement(108, [&] {
            m_surface.platform().showMessage(QString::fromLatin1(CopiedMessage), ApplicationTitle::current(),
                                             MessageIcon::None);
        });
}

} // namespace olvaris
