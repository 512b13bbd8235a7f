#pragma once
#include "ListCheckOptions.h"
#include "ListPreview.h"
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace olvaris::listcheck {

// What the check will read, shown before it runs and each a chooser: the
// sheet of a workbook, the City, State and ZIP columns as the check found
// them (or a column of whole addresses), the address group where a list
// has several; where the check refuses the list, why, in its words, and the
// columns to pick instead.
class ListSetup : public QWidget {
    Q_OBJECT
public:
    explicit ListSetup(QWidget* parent = nullptr);

    void show(const check::ListPreview& preview, const check::ListCheckOptions& options);
    QPushButton* checkButton() const { return m_check; }
    QComboBox* columnChooser(int which) const { return m_columns[which]; }
    QComboBox* sheetChooser() const { return m_sheet; }
    QComboBox* addressChooser() const { return m_address; }
    QComboBox* groupChooser() const { return m_group; }

signals:
    // The person chose otherwise: the list is to be opened again so.
    void optionsChosen(const olvaris::check::ListCheckOptions& options);
    void checkRequested();

private:
    void chooseSheet();
    void chooseColumns();
    void chooseAddress();
    void chooseGroup();

    check::ListCheckOptions m_options;
    check::ListPreview m_preview;
    QComboBox* m_sheet;
    QLabel* m_sheetLabel;
    QComboBox* m_columns[3];
    QComboBox* m_address;
    QComboBox* m_group;
    QLabel* m_groupLabel;
    QLabel* m_problem;
    QLabel* m_how;
    QPushButton* m_check;
    bool m_filling = false;
};

} // namespace olvaris::listcheck

Q_DECLARE_METATYPE(olvaris::check::ListCheckOptions)
