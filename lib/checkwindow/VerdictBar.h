#pragma once
#include "VerdictGroups.h"
#include <QWidget>
#include <array>
#include <optional>

class QPushButton;
class QHBoxLayout;

namespace olvaris::listcheck {

// The verdicts as a picture: one part a group (to look at, corrected, fine,
// with no address), as wide as its share of the rows, in the checked
// workbook's fill, with its count. A part is a button: pressed, only its
// rows are shown; pressed again, all are. Each is named for a screen reader
// with its words and count.
class VerdictBar : public QWidget {
    Q_OBJECT
public:
    explicit VerdictBar(QWidget* parent = nullptr);

    void setCounts(const std::array<long, VerdictGroupCount>& counts);
    void setShown(std::optional<VerdictGroup> group);
    QPushButton* part(VerdictGroup group) const { return m_parts[size_t(group)]; }

signals:
    // The group whose rows alone are to be shown, or none for all.
    void groupChosen(std::optional<olvaris::listcheck::VerdictGroup> group);

private:
    QHBoxLayout* m_layout;
    std::array<QPushButton*, VerdictGroupCount> m_parts{};
    std::array<long, VerdictGroupCount> m_counts{};
};

} // namespace olvaris::listcheck
