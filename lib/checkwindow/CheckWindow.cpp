#include "CheckWindow.h"
#include "CheckDialogs.h"
#include "CheckSession.h"
#include "CheckedRowsModel.h"
#include "Complaint.h"
#include "ListSetup.h"
#include "ScreenReaders.h"
#include "SettingsStore.h"
#include "VerdictBar.h"
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace olvaris::listcheck {

namespace {

constexpr const char* SettingsKey = "Olvaris List Check";
constexpr const char* RecentSection = "Recent Lists";
constexpr int RecentKept = 8;

QString counted(long count) { return QLocale(QLocale::English, QLocale::UnitedStates).toString(qlonglong(count)); }

std::string systemBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// Text naming a file as shown: a name's control characters escaped, as the
// command line shows them, so none breaks the title or the status line.
QString shown(const QString& text) { return QString::fromStdString(lookup::shownSafely(text.toStdString())); }

QString inWords(const check::Tally& tally, const CheckedRowsModel& rows) {
    QString text =
        QObject::tr("%1 %2 checked: %3 fine, %4 corrected, %5 to look at")
            .arg(counted(tally.rows), tally.rows == 1 ? QObject::tr("row") : QObject::tr("rows"),
                 counted(rows.groupCount(VerdictGroup::Fine)), counted(rows.groupCount(VerdictGroup::Corrected)),
                 counted(rows.groupCount(VerdictGroup::ToLookAt)));
    if (const long none = rows.groupCount(VerdictGroup::NoAddress); none > 0)
        text += QObject::tr(", %1 with no address").arg(counted(none));
    return text;
}

QPushButton* button(const QString& text, QWidget* parent) {
    auto* made = new QPushButton(text, parent);
    made->setAutoDefault(false);
    return made;
}

} // namespace

CheckWindow::CheckWindow(const std::string& database, std::unique_ptr<CheckDialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), m_dialogs(std::move(dialogs)), m_session(new CheckSession(database, this)),
      m_model(new CheckedRowsModel(this)) {
    setWindowTitle(tr("Olvaris List Check"));
    setAcceptDrops(true);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(makeTopRow(central));
    auto* setupBox = new QGroupBox(tr("What will be checked"), central);
    auto* setupLayout = new QVBoxLayout(setupBox);
    m_setup = new ListSetup(setupBox);
    setupLayout->addWidget(m_setup);
    layout->addWidget(setupBox);
    layout->addLayout(makeProgressRow(central));
    m_bar = new VerdictBar(central);
    layout->addWidget(m_bar);
    layout->addLayout(makeFilterRow(central));
    layout->addWidget(makeTable(central), 1);
    layout->addLayout(makeSaveRow(central));
    setCentralWidget(central);

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAccessibleName(tr("Status"));
    statusBar()->addWidget(m_status, 1);
    connectParts();
    fillRecent();
    setBusy(false, false);
    resize(1000, 700);
}

QLayout* CheckWindow::makeTopRow(QWidget* central) {
    auto* top = new QHBoxLayout;
    m_open = button(tr("&Open a list…"), central);
    m_recent = button(tr("&Recent"), central);
    m_recentMenu = new QMenu(m_recent);
    m_recent->setMenu(m_recentMenu);
    m_file = new QLabel(tr("Open an address list, or drop one here: CSV, TSV, .xlsx, .ods or .xls."), central);
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_file->setTextFormat(Qt::PlainText); // a name is never markup
    top->addWidget(m_open);
    top->addWidget(m_recent);
    top->addWidget(m_file, 1);
    return top;
}

QLayout* CheckWindow::makeProgressRow(QWidget* central) {
    auto* progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(central);
    m_progress->setFormat(QString());
    m_progress->setValue(0);
    m_progress->setAccessibleName(tr("Rows checked"));
    m_rate = new QLabel(central);
    m_stop = button(tr("Sto&p"), central);
    m_stop->setEnabled(false);
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_rate);
    progressRow->addWidget(m_stop);
    return progressRow;
}

QLayout* CheckWindow::makeFilterRow(QWidget* central) {
    auto* filterRow = new QHBoxLayout;
    auto* filterLabel = new QLabel(tr("&Filter:"), central);
    m_filter = new QLineEdit(central);
    m_filter->setPlaceholderText(tr("Rows holding this text"));
    m_filter->setAccessibleName(tr("Filter the rows"));
    m_filter->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filter);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter, 1);
    return filterRow;
}

QTableView* CheckWindow::makeTable(QWidget* central) {
    m_table = new QTableView(central);
    m_table->setModel(m_model);
    m_table->setAccessibleName(tr("Checked rows"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSortingEnabled(true);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    // Rows of one height: a million of them scroll without measuring each.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setWordWrap(false);
    const int widths[] = {7, 20, 16, 7, 12, 15, 15};
    // Each column as wide as its title (in the header's bold) or the text it mostly holds.
    const QFontMetrics titles(m_table->horizontalHeader()->font());
    for (int column = 0; column < int(std::size(widths)); ++column)
        m_table->setColumnWidth(
            column,
            std::max(m_table->fontMetrics().averageCharWidth() * widths[column],
                     titles.horizontalAdvance(m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString())
                         + 28));
    return m_table;
}

QLayout* CheckWindow::makeSaveRow(QWidget* central) {
    auto* saveRow = new QHBoxLayout;
    m_saveChecked = button(tr("&Save the checked list…"), central);
    m_saveProblems = button(tr("Save the pro&blems only…"), central);
    m_saveCleaned = button(tr("Save a c&leaned copy…"), central);
    m_saveCleaned->setToolTip(tr("The list with the certain corrections made in its own cells"));
    saveRow->addStretch(1);
    saveRow->addWidget(m_saveChecked);
    saveRow->addWidget(m_saveProblems);
    saveRow->addWidget(m_saveCleaned);
    return saveRow;
}

void CheckWindow::connectParts() {
    connect(m_open, &QPushButton::clicked, this, [this] {
        const QString folder = m_path.isEmpty() ? QDir::homePath() : QFileInfo(m_path).absolutePath();
        if (const QString path = m_dialogs->openList(this, folder); !path.isEmpty())
            openList(path);
    });
    connect(m_setup, &ListSetup::optionsChosen, this, &CheckWindow::reopen);
    connect(m_setup, &ListSetup::checkRequested, this, &CheckWindow::startCheck);
    connect(m_stop, &QPushButton::clicked, m_session, &CheckSession::stop);
    connect(m_bar, &VerdictBar::groupChosen, m_model, &CheckedRowsModel::showGroup);
    connect(m_saveChecked, &QPushButton::clicked, this, [this] { save(Save::Checked); });
    connect(m_saveProblems, &QPushButton::clicked, this, [this] { save(Save::Problems); });
    connect(m_saveCleaned, &QPushButton::clicked, this, [this] { save(Save::Cleaned); });
    connect(m_session, &CheckSession::previewed, this, &CheckWindow::previewed);
    connect(m_session, &CheckSession::checked, this, &CheckWindow::checked);
    connect(m_session, &CheckSession::failed, this, &CheckWindow::failed);
    connect(m_session, &CheckSession::stopped, this, &CheckWindow::stopped);
    connect(m_session, &CheckSession::targetInspected, this, &CheckWindow::targetInspected);
    connect(m_session, &CheckSession::saved, this, &CheckWindow::saved);
    connect(m_table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this] { m_table->scrollToTop(); });
    // A filter is applied once the typing pauses: each key does not scan a
    // million rows.
    m_filterDelay.setSingleShot(true);
    m_filterDelay.setInterval(250);
    connect(m_filter, &QLineEdit::textChanged, &m_filterDelay, qOverload<>(&QTimer::start));
    connect(&m_filterDelay, &QTimer::timeout, this, [this] { m_model->setFilterText(m_filter->text()); });
    m_poll.setInterval(25);
    connect(&m_poll, &QTimer::timeout, this, &CheckWindow::takeRows);
    // Escape stops a check or a save under way, as it closes a dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_session, &CheckSession::stop);
    auto* copy = new QShortcut(QKeySequence::Copy, m_table, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, &CheckWindow::copyRows);
}

CheckWindow::~CheckWindow() { m_session->stop(); }

QString CheckWindow::status() const { return m_status->text(); }

void CheckWindow::say(const QString& text) {
    const QString line = shown(text);
    m_status->setText(line);
    // Said to a screen reader as it changes, as a status line is.
    QAccessibleEvent event(m_status, QAccessible::NameChanged);
    m_status->setAccessibleName(line);
    QAccessible::updateAccessibility(&event);
}

void CheckWindow::setBusy(bool checking, bool saving, bool reading) {
    m_saving = saving;
    const bool busy = checking || saving;
    // While a list is read, nothing is pressed by accident (an early Enter
    // would open the file dialog): the Check button takes the focus once
    // the list is read.
    m_open->setEnabled(!busy && !reading);
    m_recent->setEnabled(!busy && !reading && !m_recentMenu->isEmpty());
    m_setup->setEnabled(!busy && !reading && m_setupUsable);
    m_stop->setEnabled(busy);
    for (QPushButton* save : {m_saveChecked, m_saveProblems, m_saveCleaned})
        save->setEnabled(!busy && m_checked);
    m_rate->setVisible(checking);
    if (busy)
        m_stop->setFocus();
}

// The list and, while it is checked and once it is, how far: seen on the
// task bar while the window is behind others.
void CheckWindow::showTitle(const QString& state) {
    const QString name = shown(QFileInfo(m_path).fileName());
    setWindowTitle(state.isEmpty() ? tr("%1 — Olvaris List Check").arg(name)
                                   : tr("%1 (%2) — Olvaris List Check").arg(name, state));
}

void CheckWindow::settleProgress(int value, const QString& text) {
    m_progress->setRange(0, 1000);
    m_progress->setValue(value);
    m_progress->setFormat(text);
}

void CheckWindow::openList(const QString& path) {
    if (m_session->busy())
        return;
    m_path = QFileInfo(path).absoluteFilePath();
    m_setupUsable = false; // until the list is read
    m_checked = false;
    m_model->clear();
    m_bar->setCounts({});
    m_bar->setShown(std::nullopt);
    m_model->showGroup(std::nullopt);
    showTitle(QString());
    m_file->setText(shown(QDir::toNativeSeparators(m_path)));
    remember(m_path);
    check::ListCheckOptions options;
    options.file = systemBytes(m_path);
    say(tr("Reading %1…").arg(QFileInfo(m_path).fileName()));
    setBusy(false, false, true);
    m_session->open(options);
}

void CheckWindow::reopen(const check::ListCheckOptions& options) {
    if (m_session->busy())
        return;
    m_checked = false;
    showTitle(QString());
    setBusy(false, false, true);
    m_session->open(options);
}

void CheckWindow::previewed(const check::ListPreview& preview) {
    m_setupUsable = !preview.unreadable;
    m_setup->show(preview, m_session->options());
    setBusy(false, false);
    if (preview.ready()) {
        say(tr("Ready: press Check the list"));
        m_setup->checkButton()->setDefault(true);
        m_setup->checkButton()->setFocus();
    } else {
        say(QString::fromStdString(preview.problem));
        if (!preview.unreadable)
            m_setup->columnChooser(0)->setFocus();
    }
}

void CheckWindow::startCheck() {
    if (m_session->busy())
        return;
    m_checked = false;
    m_pending.clear();
    m_ended.reset();
    m_model->clear();
    m_model->setGrowing(true);
    m_model->showGroup(m_model->shownGroup());
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_bar->setCounts({});
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_rate->clear();
    m_rowsAtLastTick = 0;
    m_clock.start();
    m_lastTick = 0;
    setBusy(true, false);
    m_percentShown = -1;
    showTitle(tr("checking"));
    say(tr("Checking…"));
    m_session->check();
    m_poll.start();
}

void CheckWindow::takeRows() {
    for (RowBatch& batch : m_session->takeRows())
        m_pending.push_back(std::move(batch));
    // A turn's share of the rows, so the window answers between turns
    // however fast the check runs; what is left waits for the next turn.
    QElapsedTimer turn;
    turn.start();
    bool added = false;
    while (!m_pending.empty() && (turn.elapsed() < AppendBudgetMs || m_draining)) {
        m_model->append(m_pending.front());
        m_pending.pop_front();
        added = true;
    }
    if (added) {
        std::array<long, VerdictGroupCount> counts{};
        for (size_t group = 0; group < VerdictGroupCount; ++group)
            counts[group] = m_model->groupCount(VerdictGroup(group));
        m_bar->setCounts(counts);
    }
    if (m_ended && m_pending.empty()) {
        m_poll.stop();
        finishCheck(*m_ended);
        return;
    }
    const double fraction = m_session->fractionRead();
    const long rows = m_session->rowsDone();
    if (fraction >= 0) {
        m_progress->setRange(0, 1000);
        m_progress->setValue(int(fraction * 1000));
        m_progress->setFormat(tr("%1 rows, %p%").arg(counted(rows)));
        if (const int percent = int(fraction * 100); percent != m_percentShown && !m_ended) {
            m_percentShown = percent;
            showTitle(tr("checking, %1%").arg(percent));
        }
    } else {
        m_progress->setRange(0, 0); // how much is left cannot be told: the bar moves
        m_progress->setFormat(tr("%1 rows").arg(counted(rows)));
    }
    const qint64 now = m_clock.elapsed();
    if (now - m_lastTick >= 1000) {
        const double perSecond = double(rows - m_rowsAtLastTick) * 1000.0 / double(now - m_lastTick);
        m_rate->setText(tr("%1 rows a second").arg(counted(long(perSecond))));
        m_rowsAtLastTick = rows;
        m_lastTick = now;
    }
}

// Everything taken from the check and what waits dropped into the list at once.
void CheckWindow::drainRows() {
    m_draining = true;
    takeRows();
    m_draining = false;
}

void CheckWindow::checked(const check::Tally& tally) {
    // The rows still waiting go in a turn at a time; then the check ends.
    m_ended = tally;
    takeRows();
}

void CheckWindow::finishCheck(const check::Tally& tally) {
    m_ended.reset();
    m_model->setGrowing(false);
    m_model->sortLookFirst();
    m_table->scrollToTop();
    m_checked = true;
    setBusy(false, false);
    showTitle(tr("checked"));
    settleProgress(1000, tr("%1 rows").arg(counted(tally.rows)));
    say(inWords(tally, *m_model));
    m_table->setFocus();
    if (m_model->rowCount() > 0)
        m_table->setCurrentIndex(m_model->index(0, 0));
    // The status line is not where a screen reader is: the counts are said
    // with the table the focus has just come to.
    sayWithControl(m_table, inWords(tally, *m_model), true);
    emit checkEnded();
}

void CheckWindow::failed(const QString& message) {
    m_poll.stop();
    drainRows();
    m_model->setGrowing(false);
    const bool wasSaving = m_saving;
    m_checked = m_checked && wasSaving;
    if (!wasSaving)
        showTitle(QString());
    settleProgress(0, wasSaving ? tr("Not saved") : tr("Not checked"));
    setBusy(false, false);
    say(message);
    m_dialogs->tell(this, wasSaving ? tr("Not saved") : tr("The list cannot be checked"), shown(message));
    emit wasSaving ? saveEnded() : checkEnded();
}

void CheckWindow::stopped() {
    m_poll.stop();
    drainRows();
    m_model->setGrowing(false);
    const bool wasSaving = m_saving;
    if (!wasSaving)
        showTitle(tr("stopped"));
    settleProgress(wasSaving ? 0 : m_progress->value(), tr("Stopped"));
    setBusy(false, false);
    say(wasSaving ? tr("Stopped: nothing was saved")
                  : tr("Stopped after %1 rows: the rows checked so far are shown; check again for the whole list")
                        .arg(counted(long(m_model->checkedRows()))));
    emit wasSaving ? saveEnded() : checkEnded();
}

QString CheckWindow::saveTitle(Save what) {
    return what == Save::Checked    ? tr("Save the checked list")
           : what == Save::Problems ? tr("Save the problems only")
                                    : tr("Save a cleaned copy");
}

void CheckWindow::save(Save what) {
    if (!m_checked || m_session->busy())
        return;
    const QFileInfo list(m_path);
    const QString suffix = list.suffix().toLower();
    const QStringList filters = {tr("Excel workbook (*.xlsx)"), tr("OpenDocument spreadsheet (*.ods)"),
                                 tr("CSV text (*.csv)")};
    QString filter = suffix == QLatin1String("ods")                                      ? filters[1]
                     : suffix == QLatin1String("xlsx") || suffix == QLatin1String("xls") ? filters[0]
                                                                                         : filters[2];
    const QString extension = filter == filters[0] ? QStringLiteral("xlsx")
                              : filter == filters[1]
                                  ? QStringLiteral("ods")
                                  : (suffix == QLatin1String("tsv") ? suffix : QStringLiteral("csv"));
    const QString words = what == Save::Checked    ? tr("checked")
                          : what == Save::Problems ? tr("problems")
                                                   : tr("cleaned");
    QString path = m_dialogs->saveFile(this, saveTitle(what),
                                       list.absolutePath() + QLatin1Char('/') + list.completeBaseName()
                                           + QLatin1Char(' ') + words + QLatin1Char('.') + extension,
                                       filters, filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter == filters[0]   ? QStringLiteral(".xlsx")
                : filter == filters[1] ? QStringLiteral(".ods")
                                       : QStringLiteral(".csv");
    if (QFileInfo(path).absoluteFilePath() == m_path) {
        m_dialogs->tell(this, tr("Not saved"), tr("%1 is the list being checked: name another file.").arg(shown(path)));
        return;
    }
    m_pendingSave = what;
    m_progress->setRange(0, 0);
    m_progress->setFormat(tr("Saving…"));
    setBusy(false, true);
    say(tr("Saving %1…").arg(QFileInfo(path).fileName()));
    m_session->inspectTarget(systemBytes(path));
}

void CheckWindow::targetInspected(const QString& target, bool exists, const QString& foreign) {
    const QString path = QFile::decodeName(target.toStdString().c_str());
    const QString name = shown(QFileInfo(path).fileName());
    if (exists) {
        const QString text =
            foreign.isEmpty()
                ? tr("%1 is there already, from an earlier check. Replace it?").arg(name)
                : tr("%1 is there already, and it is not a checked list (%2). Replace it?").arg(name, foreign);
        if (!m_dialogs->confirm(this, saveTitle(m_pendingSave), text, tr("&Replace"))) {
            setBusy(false, false);
            settleProgress(1000, tr("Not saved"));
            say(tr("Not saved"));
            emit saveEnded();
            return;
        }
    }
    m_session->save(target.toStdString(), m_pendingSave == Save::Problems, m_pendingSave == Save::Cleaned);
}

void CheckWindow::saved(const QString& path) {
    setBusy(false, false);
    settleProgress(1000, tr("Saved"));
    say(tr("Saved %1").arg(QDir::toNativeSeparators(QFile::decodeName(path.toStdString().c_str()))));
    emit saveEnded();
}

void CheckWindow::remember(const QString& path) {
    if (!SettingsStore::usable(QString::fromLatin1(SettingsKey)))
        return;
    QStringList recent{path};
    for (int i = 1; i <= RecentKept; ++i) {
        const QString kept = SettingsStore::Read(QString::fromLatin1(SettingsKey), QString::fromLatin1(RecentSection),
                                                 QString::number(i), QString());
        if (!kept.isEmpty() && !recent.contains(kept))
            recent << kept;
    }
    for (int i = 0; i < RecentKept; ++i)
        SettingsStore::Save(QString::fromLatin1(SettingsKey), QString::fromLatin1(RecentSection),
                            QString::number(i + 1), i < recent.size() ? recent[i] : QString());
    fillRecent();
}

void CheckWindow::fillRecent() {
    m_recentMenu->clear();
    if (!SettingsStore::usable(QString::fromLatin1(SettingsKey)))
        return;
    for (int i = 1; i <= RecentKept; ++i) {
        const QString path = SettingsStore::Read(QString::fromLatin1(SettingsKey), QString::fromLatin1(RecentSection),
                                                 QString::number(i), QString());
        if (path.isEmpty())
            continue;
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i).arg(
            shown(QFileInfo(path).fileName()).replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setToolTip(shown(path));
        connect(action, &QAction::triggered, this, [this, path] { openList(path); });
    }
    m_recent->setEnabled(!m_recentMenu->isEmpty() && !m_session->busy());
}

void CheckWindow::copyRows() {
    QStringList lines;
    QModelIndexList selected = m_table->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : selected)
        lines << m_model->rowAsText(index.row());
    if (lines.isEmpty() && m_table->currentIndex().isValid())
        lines << m_model->rowAsText(m_table->currentIndex().row());
    if (!lines.isEmpty())
        QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void CheckWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile() && !m_session->busy())
        event->acceptProposedAction();
}

void CheckWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
        openList(urls.front().toLocalFile());
    }
}

void CheckWindow::closeEvent(QCloseEvent* event) {
    // A save under way is stopped and its file taken back; nothing half-made stays.
    m_session->stop();
    event->accept();
}

} // namespace olvaris::listcheck
