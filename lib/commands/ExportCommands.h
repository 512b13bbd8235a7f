#pragma once
#include "ExportSurface.h"
#include "SaveText.h"
#include <vector>

namespace olvaris {

// The three save commands and the copy command. The save dialog's state
// (its flags, title, filter and the name chosen last) lives here for the run.
class ExportCommands {
public:
    explicit ExportCommands(ExportSurface& surface) : m_surface(surface) {}

    void PushButton2_Click();  // Save Zip Codes Only
    void PushButton13_Click(); // Save States and Cities Only
    void PushButton4_Click();  // Save All Results
    void PushButton6_Click();  // Copy Results To Clipboard

    // The save dialog, CommonDialog1.
    struct SaveDialog {
        int flags = 0;
        QString title;
        QString filter;
        QString fileName;   // the dialog's answer: empty after a cancel
        QString lastChosen; // the name the dialog starts with
    };
    const SaveDialog& dialog() const { return m_dialog; }

    static constexpr int SaveDialogFlags = 0x280201;
    static constexpr const char* SaveDialogFilter = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*|";
    static constexpr const char* CopiedMessage =
        "Results have been copied to the clipboard.\r\r"
        "Click a text area where you normally type and press Ctrl+V to paste the clipboard.";

    // Whether a save is under way (from the busy pointer to the end).
    bool saving() const { return m_saving; }

private:
    void save(const char* location, SaveShape shape);
    void startPendingSaves();

    ExportSurface& m_surface;
    SaveDialog m_dialog;
    // A save clicked while another is under way (inside its yield) waits
    // until that one has ended, as a start click waits for a run: two saves
    // never write their files at once.
    bool m_saving = false;
    std::vector<SaveShape> m_pendingSaves;
};

} // namespace olvaris
