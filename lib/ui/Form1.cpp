#include "Form1.h"
#include "PointerFeedback.h"
#include "ReadableText.h"
#include "ResultsView.h"
#include "ScreenReaders.h"
#include "SingleLineText.h"
#include "Twips.h"
#include "AppFiles.h"
#include "Branding.h"
#include "PointerShape.h"
#include "SettingsStore.h"
#include "HelpMessage.h"
#include "ListCommands.h"
#include <QLocale>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>

namespace olvaris {

namespace {

QFont windowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.0);
    font.setBold(true);
    return font;
}

QFont buttonFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setFont(buttonFont());
    button->setGeometry(geometry);
    // Return and Enter press the focused button, as Space does.
    button->setAutoDefault(true);
    return button;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* frame = new QGroupBox(QString::fromUtf8(caption), parent);
    frame->setObjectName(QString::fromUtf8(name));
    frame->setGeometry(geometry);
    frame->setFocusPolicy(Qt::NoFocus);
    frame->setAutoFillBackground(true);
    return frame;
}

QLineEdit* makeTextBox(QWidget* parent, const char* name, const char* text, QRect geometry) {
    auto* box = new QLineEdit(QString::fromUtf8(text), parent);
    box->setObjectName(QString::fromUtf8(name));
    box->setGeometry(geometry);
    box->setValidator(new SingleLineText(box));
    return box;
}

} // namespace

Form1::Form1(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_platform(platform), m_results(new ResultsList(this)),
      m_createConnection([] { return std::make_unique<ZipConnection>(); }),
      m_skinEngine(std::make_unique<StyleSheetSkinEngine>()),
      m_separatorSetting(QString::fromUtf8(branding::SettingsApplicationKey),
                         QString::fromUtf8(branding::SettingsSection), QString::fromUtf8(SeparatingCharacterKey)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    setFont(windowFont());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Button, Qt::white);
    // A dark colour scheme's light captions would vanish on the white.
    keepTextReadable(white, QPalette::Window, QPalette::WindowText);
    keepTextReadable(white, QPalette::Button, QPalette::ButtonText);
    setPalette(white);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixels(8760), twipsToPixels(7905));

    m_work.onChange([this] { applyPointer(); });
    buildControls();
    arrangeTabOrder();
    wireHandlers();
    describeForScreenReaders();
    m_yielder.addBeforeTurn([this] { m_results->announce(); });
    m_yielder.addBetweenTurns(answerScreenReaderCalls);
}

Form1::~Form1() = default;

void Form1::buildControls() {
    Frame1 = makeFrame(this, "Frame1", "Search/Filter (type part of city, state or zip code here)",
                       twipsRect(120, 90, 8520, 1335));
    Text1 = makeTextBox(Frame1, "Text1", "", twipsRect(240, 300, 8040, 345));
    PushButton1 = makeButton(Frame1, "PushButton1", "Start Search", twipsRect(240, 750, 8040, 405));
    PushButton3 =
        makeButton(this, "PushButton3", "List All Cities, States and Zip Codes", twipsRect(120, 1545, 8520, 405));

    ListView1 = new ResultsView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(twipsRect(120, 2055, 8520, 3375));
    ListView1->setFont(windowFont());
    ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 4);
    ListView1->setModel(m_results);
    // The list keeps the system's colours (its scroll bars too); only the
    // window, frames, label and buttons are white. A scheme whose selected
    // row would not read gets its selection colour in a readable shade.
    QPalette listColours = QGuiApplication::palette();
    keepSelectionReadable(listColours);
    ListView1->setPalette(listColours);
    ListView1->setToolTip(QString::fromUtf8(ListToolTip));

    Frame2 = makeFrame(this, "Frame2", "Save Option", twipsRect(120, 5460, 8520, 800));
    Label3 = new QLabel(QStringLiteral("Separating Character:"), Frame2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(twipsRect(240, 360, 1875, 225));
    Label3->setAutoFillBackground(true);
    Text2 = makeTextBox(Frame2, "Text2", "TAB", twipsRect(2280, 300, 855, 345));

    PushButton4 = makeButton(this, "PushButton4", "Save All Results", twipsRect(120, 6370, 4215, 405));
    PushButton13 = makeButton(this, "PushButton13", "Save States and Cities Only", twipsRect(4440, 6370, 4215, 405));
    PushButton2 = makeButton(this, "PushButton2", "Save Zip Codes Only", twipsRect(120, 6880, 4200, 405));
    PushButton5 = makeButton(this, "PushButton5", "Clear Results", twipsRect(4440, 6880, 4200, 405));
    PushButton6 = makeButton(this, "PushButton6", "Copy Results To Clipboard", twipsRect(120, 7390, 4200, 405));
    PushButton7 = makeButton(this, "PushButton7", "Help", twipsRect(4440, 7390, 4200, 405));
}

QList<QPushButton*> Form1::commandButtons() const {
    return {PushButton1, PushButton3, PushButton4, PushButton13, PushButton2, PushButton5, PushButton6, PushButton7};
}

void Form1::arrangeTabOrder() {
    const QList<QWidget*> order = {Text1,        PushButton1, PushButton3, ListView1,   Text2,      PushButton4,
                                   PushButton13, PushButton2, PushButton5, PushButton6, PushButton7};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    Text1->setFocus();
}

void Form1::wireHandlers() {
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);
    connect(m_results, &ResultsList::scrollRequested, this, [this](int row) { ListView1->followRow(row); });
    connect(m_results, &ResultsList::firstRowWaiting, this, [this] { m_yielder.requestTurn(); });
    connect(Text2, &QLineEdit::textChanged, this, [this] { Text2_Change(); });
    connect(PushButton1, &QPushButton::clicked, this, [this] { m_runs.PushButton1_Click(); });
    connect(PushButton3, &QPushButton::clicked, this, [this] { m_runs.PushButton3_Click(); });
    connect(PushButton5, &QPushButton::clicked, this,
            [this] { PushButton5_Click(*m_results, mousePointer(), m_platform); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { m_exports.PushButton2_Click(); });
    connect(PushButton13, &QPushButton::clicked, this, [this] { m_exports.PushButton13_Click(); });
    connect(PushButton4, &QPushButton::clicked, this, [this] { m_exports.PushButton4_Click(); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { m_exports.PushButton6_Click(); });
    connect(PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(m_platform); });
    // Enter in the filter box starts the search. No button is the window's
    // default, so only the focused one is marked.
    connect(Text1, &QLineEdit::returnPressed, PushButton1, &QPushButton::click);

    auto* feedback = new PointerFeedback([this] { hoverButton(); }, [this] { hoverArea(); }, this);
    for (QPushButton* button : commandButtons())
        feedback->watchButton(button);
    for (QWidget* container :
         {static_cast<QWidget*>(this), static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2)})
        feedback->watchContainer(container);
    for (QWidget* area : {static_cast<QWidget*>(ListView1), static_cast<QWidget*>(Text1), static_cast<QWidget*>(Text2)})
        feedback->watchArea(area);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isRemoveKey(key->key())) {
            ListView1_KeyDown(key->key());
            return true;
        }
    }
    if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ListView1_DblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    Form_Unload();
    event->accept();
}

QString Form1::caption(RunButton button) const {
    return (button == RunButton::Search ? PushButton1 : PushButton3)->text();
}

void Form1::setCaption(RunButton button, const QString& caption) {
    // A screen reader on the button says "Stop" when a run starts, and the
    // caption again when it ends, with the run's count.
    if (!std::exchange(m_countToSay, false))
        keepNoteBack();
    setCaptionSaid(button == RunButton::Search ? PushButton1 : PushButton3, caption);
}

QString Form1::filterText() const { return Text1->text(); }

QString Form1::separatorText() const { return Text2->text(); }

std::optional<int> Form1::selectedRowNumber() const {
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.constFirst().row() + 1;
}

void Form1::ListView1_DblClick() { removeSelectedRow(*m_results, mousePointer(), selectedRowNumber()); }

void Form1::ListView1_KeyDown(int keyCode) {
    if (isRemoveKey(keyCode))
        removeSelectedRow(*m_results, mousePointer(), selectedRowNumber());
}

void Form1::Text2_Change() { m_separatorSetting.Save(Text2->text()); }

void Form1::setMousePointer(pointer::Shape value) {
    if (value == m_mousePointer)
        return;
    m_mousePointer = value;
    applyPointer();
}

// The pointer notifications never replace the busy pointer.
void Form1::hoverButton() {
    if (mousePointer() != pointer::Busy)
        setMousePointer(pointer::Custom);
}

void Form1::hoverArea() {
    if (mousePointer() != pointer::Busy)
        setMousePointer(pointer::Default);
}

// A button's accessible name is left unset, so screen readers read its
// caption as it is at each moment ("Stop" during a run).
// The run's button, if it has focus, is introduced again as its caption
// comes back, and says the count then; another control says it at once.
void Form1::sayRunEnded(int rows) {
    QWidget* focused = QApplication::focusWidget();
    const bool runButton = focused == PushButton1 || focused == PushButton3;
    if (!runButton && !qobject_cast<QAbstractButton*>(focused) && !qobject_cast<QLineEdit*>(focused))
        return;
    m_countToSay = runButton;
    sayWithControl(focused,
                   rows == 0 ? QStringLiteral("No rows")
                             : QLocale(QLocale::English).toString(rows)
                                   + (rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows")),
                   !runButton);
}

void Form1::describeForScreenReaders() {
    PushButton1->setAccessibleDescription(
        QStringLiteral("Searches for the text of the filter box; reads Stop while rows arrive"));
    PushButton3->setAccessibleDescription(
        QStringLiteral("Lists every city, state and ZIP code; reads Stop while rows arrive"));
    PushButton4->setAccessibleDescription(QStringLiteral("Saves city, state and ZIP code of every row to a text file"));
    PushButton13->setAccessibleDescription(QStringLiteral("Saves city and state of every row to a text file"));
    PushButton2->setAccessibleDescription(QStringLiteral("Saves the ZIP code of every row to a text file"));
    PushButton5->setAccessibleDescription(QStringLiteral("Removes every row from the results"));
    PushButton6->setAccessibleDescription(QStringLiteral("Copies the results to the clipboard as aligned columns"));
    PushButton7->setAccessibleDescription(QStringLiteral("Tells where to ask questions"));
    Text1->setAccessibleName(QStringLiteral("Search filter"));
    Text1->setAccessibleDescription(Frame1->title());
    Text2->setAccessibleName(Label3->text());
    Text2->setAccessibleDescription(QStringLiteral("Put between the fields of a saved line; TAB means a tab"));
    ListView1->setAccessibleName(QStringLiteral("Results"));
    ListView1->setAccessibleDescription(QStringLiteral("Columns City, State and Zip. ")
                                        + QString::fromUtf8(ListToolTip));
    Frame1->setAccessibleName(Frame1->title());
    Frame2->setAccessibleName(Frame2->title());
    Label3->setBuddy(Text2);
}

// One value decides the pointer over the window and every control on it;
// the default lets each control show its own (the I-beam over text boxes).
void Form1::applyPointer() {
    const QList<QWidget*> widgets = findChildren<QWidget*>() << this;
    for (QWidget* widget : widgets) {
        if (widget->isWindow() && widget != this)
            continue;
        switch (mousePointer()) {
        case pointer::Busy:
            widget->setCursor(Qt::WaitCursor);
            break;
        case pointer::Custom:
            widget->setCursor(m_customPointer.value_or(QCursor(Qt::ArrowCursor)));
            break;
        default:
            if (qobject_cast<QLineEdit*>(widget))
                widget->setCursor(Qt::IBeamCursor);
            else
                widget->unsetCursor();
            break;
        }
    }
}

} // namespace olvaris
