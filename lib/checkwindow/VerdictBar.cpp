#include "VerdictBar.h"
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>

namespace olvaris::listcheck {

namespace {

QString partText(VerdictGroup group, long count) {
    return QStringLiteral("%1 %2").arg(QLocale().toString(qlonglong(count)), QString::fromUtf8(groupWords(group)));
}

} // namespace

VerdictBar::VerdictBar(QWidget* parent) : QWidget(parent), m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    for (size_t i = 0; i < VerdictGroupCount; ++i) {
        const auto group = VerdictGroup(i);
        auto* part = new QPushButton(this);
        part->setCheckable(true);
        part->setFlat(false);
        // The fill is light, so its text is black on any colour scheme.
        const QColor fill{QRgb(groupFill(group))};
        part->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: black; border: 1px solid %2;"
                                           " padding: 4px; }"
                                           "QPushButton:checked { border: 3px solid black; font-weight: bold; }"
                                           "QPushButton:focus { border: 2px dashed black; }")
                                .arg(fill.name(), fill.darker(150).name()));
        connect(part, &QPushButton::clicked, this, [this, group](bool on) {
            setShown(on ? std::optional<VerdictGroup>(group) : std::nullopt);
            emit groupChosen(on ? std::optional<VerdictGroup>(group) : std::nullopt);
        });
        m_parts[i] = part;
        m_layout->addWidget(part, 1);
    }
    setCounts({});
}

void VerdictBar::setCounts(const std::array<long, VerdictGroupCount>& counts) {
    m_counts = counts;
    long total = 0;
    for (const long count : counts)
        total += count;
    for (size_t i = 0; i < VerdictGroupCount; ++i) {
        QPushButton* part = m_parts[i];
        const auto group = VerdictGroup(i);
        part->setText(partText(group, counts[i]));
        part->setAccessibleName(partText(group, counts[i]));
        part->setToolTip(tr("Show only the rows %1; press again for all").arg(QString::fromUtf8(groupWords(group))));
        // A part's width is its share of the rows; every part keeps room
        // for its words, an empty one is not drawn.
        const int share = total > 0 ? int(1 + 1000 * counts[i] / total) : 1;
        m_layout->setStretch(int(i), share);
        part->setMinimumWidth(part->fontMetrics().horizontalAdvance(part->text()) + 16);
        part->setVisible(total == 0 || counts[i] > 0);
    }
}

void VerdictBar::setShown(std::optional<VerdictGroup> group) {
    for (size_t i = 0; i < VerdictGroupCount; ++i)
        m_parts[i]->setChecked(group && size_t(*group) == i);
}

} // namespace olvaris::listcheck
