#pragma once
#include <QTableView>

namespace olvaris {

// The results list on screen: a table in report style whose rows all have
// one fixed height, so adding rows never measures them.
class ResultsView : public QTableView {
    Q_OBJECT
public:
    explicit ResultsView(QWidget* parent = nullptr);

    // Scrolls so the row is in view, with the scroll range brought up to
    // date first: rows arrive in batches, and the view lays them out lazily.
    void scrollToRow(int row);
};

} // namespace olvaris
