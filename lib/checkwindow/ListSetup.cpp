#include "ListSetup.h"
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace olvaris::listcheck {

namespace {

const char* const PlaceNames[3] = {"City", "State", "ZIP code"};

// The chooser's columns, after a first item that chooses none.
void fillColumns(QComboBox* chooser, const std::vector<std::string>& names, const QString& none, int chosen) {
    const QSignalBlocker blocker(chooser);
    chooser->clear();
    chooser->addItem(none, -1);
    for (size_t column = 0; column < names.size(); ++column)
        chooser->addItem(QStringLiteral("%1: %2").arg(column + 1).arg(QString::fromStdString(names[column])),
                         int(column));
    chooser->setCurrentIndex(chosen >= 0 && size_t(chosen) < names.size() ? chosen + 1 : 0);
}

QString numbers(const check::ZipColumns& columns) {
    return QStringLiteral("%1,%2,%3").arg(columns.city + 1).arg(columns.state + 1).arg(columns.zip + 1);
}

} // namespace

ListSetup::ListSetup(QWidget* parent)
    : QWidget(parent), m_sheet(new QComboBox(this)), m_sheetLabel(new QLabel(tr("S&heet:"), this)),
      m_address(new QComboBox(this)), m_group(new QComboBox(this)),
      m_groupLabel(new QLabel(tr("Address &group:"), this)), m_problem(new QLabel(this)), m_how(new QLabel(this)),
      m_check(new QPushButton(tr("&Check the list"), this)) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    m_sheetLabel->setBuddy(m_sheet);
    m_sheet->setAccessibleName(tr("Sheet"));
    grid->addWidget(m_sheetLabel, 0, 0);
    grid->addWidget(m_sheet, 0, 1, 1, 3);
    const char* const labels[3] = {"C&ity:", "S&tate:", "&ZIP code:"};
    for (int i = 0; i < 3; ++i) {
        m_columns[i] = new QComboBox(this);
        m_columns[i]->setAccessibleName(tr("%1 column").arg(tr(PlaceNames[i])));
        m_columns[i]->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_columns[i]->setMinimumContentsLength(12);
        auto* label = new QLabel(tr(labels[i]), this);
        label->setBuddy(m_columns[i]);
        grid->addWidget(label, 1 + i, 0);
        grid->addWidget(m_columns[i], 1 + i, 1);
        connect(m_columns[i], &QComboBox::currentIndexChanged, this, &ListSetup::chooseColumns);
    }
    auto* addressLabel = new QLabel(tr("Or whole &addresses in:"), this);
    addressLabel->setBuddy(m_address);
    m_address->setAccessibleName(tr("Column of whole addresses"));
    grid->addWidget(addressLabel, 1, 2);
    grid->addWidget(m_address, 1, 3);
    m_groupLabel->setBuddy(m_group);
    m_group->setAccessibleName(tr("Address group"));
    grid->addWidget(m_groupLabel, 2, 2);
    grid->addWidget(m_group, 2, 3);
    m_problem->setWordWrap(true);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_how->setWordWrap(true);
    grid->addWidget(m_problem, 4, 0, 1, 4);
    grid->addWidget(m_how, 5, 0, 1, 4);
    grid->addWidget(m_check, 3, 3, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    connect(m_sheet, &QComboBox::currentIndexChanged, this, &ListSetup::chooseSheet);
    connect(m_address, &QComboBox::currentIndexChanged, this, &ListSetup::chooseAddress);
    connect(m_group, &QComboBox::currentIndexChanged, this, &ListSetup::chooseGroup);
    connect(m_check, &QPushButton::clicked, this, &ListSetup::checkRequested);
    setEnabled(false);
}

void ListSetup::show(const check::ListPreview& preview, const check::ListCheckOptions& options) {
    m_filling = true;
    m_preview = preview;
    m_options = options;
    setEnabled(!preview.unreadable);
    {
        const QSignalBlocker blocker(m_sheet);
        m_sheet->clear();
        for (const std::string& name : preview.sheetNames)
            m_sheet->addItem(QString::fromStdString(name));
        m_sheet->setCurrentText(QString::fromStdString(preview.sheet));
    }
    m_sheet->setVisible(!preview.sheetNames.empty());
    m_sheetLabel->setVisible(!preview.sheetNames.empty());
    const check::ZipColumns& found = preview.columns;
    const int chosen[3] = {found.city, found.state, found.zip};
    for (int i = 0; i < 3; ++i)
        fillColumns(m_columns[i], preview.columnNames, tr("(choose the %1 column)").arg(tr(PlaceNames[i])),
                    preview.groups.empty() ? chosen[i] : -1);
    fillColumns(m_address, preview.columnNames, tr("(none: the columns at the left)"), found.address);
    {
        const QSignalBlocker blocker(m_group);
        m_group->clear();
        if (preview.groups.size() >= 2) {
            m_group->addItem(tr("Each row's first filled (%1 before %2)")
                                 .arg(QString::fromStdString(preview.groups[0].name),
                                      QString::fromStdString(preview.groups[1].name)));
            for (const check::AddressGroup& group : preview.groups)
                m_group->addItem(QString::fromStdString(group.name));
        }
    }
    m_group->setVisible(preview.groups.size() >= 2);
    m_groupLabel->setVisible(preview.groups.size() >= 2);
    for (QComboBox* chooser : m_columns)
        chooser->setEnabled(found.address < 0);
    m_problem->setText(preview.problem.empty()
                           ? QString()
                           : tr("The list cannot be checked as it is: %1%2")
                                 .arg(QString::fromStdString(preview.problem),
                                      preview.unreadable ? QString() : tr(". Choose its columns above.")));
    m_problem->setVisible(!preview.problem.empty());
    m_how->setText(QString::fromStdString(preview.howRead));
    m_how->setVisible(!preview.howRead.empty());
    m_check->setEnabled(preview.ready());
    m_filling = false;
}

void ListSetup::chooseSheet() {
    if (m_filling)
        return;
    check::ListCheckOptions options = m_options;
    options.sheet = m_sheet->currentText().toStdString();
    options.columns.reset();
    options.address.reset();
    emit optionsChosen(options);
}

void ListSetup::chooseColumns() {
    if (m_filling)
        return;
    check::ZipColumns columns;
    columns.city = m_columns[0]->currentData().toInt();
    columns.state = m_columns[1]->currentData().toInt();
    columns.zip = m_columns[2]->currentData().toInt();
    if (!columns.complete()) {
        m_check->setEnabled(false);
        return;
    }
    check::ListCheckOptions options = m_options;
    options.columns = numbers(columns).toStdString();
    options.address.reset();
    emit optionsChosen(options);
}

void ListSetup::chooseAddress() {
    if (m_filling)
        return;
    const int column = m_address->currentData().toInt();
    check::ListCheckOptions options = m_options;
    options.address.reset();
    options.columns.reset();
    if (column >= 0)
        options.address = std::to_string(column + 1);
    emit optionsChosen(options);
}

void ListSetup::chooseGroup() {
    if (m_filling)
        return;
    const int index = m_group->currentIndex();
    check::ListCheckOptions options = m_options;
    options.address.reset();
    options.columns.reset();
    if (index > 0 && size_t(index) <= m_preview.groups.size())
        options.columns = numbers(m_preview.groups[size_t(index - 1)].columns).toStdString();
    emit optionsChosen(options);
}

} // namespace olvaris::listcheck
