#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QAbstractScrollArea;

namespace ostrel {

// A column of rows of which only those in view exist. A library of thousands of layouts would
// otherwise be thousands of rows of widgets, made at once and kept whether or not anyone ever
// scrolls to them. Here the column is as tall as all its rows together, so its scroll area
// scrolls as it would over all of them, but a row is made when it comes near the scroll area's
// view and goes when it has left it far behind.
//
// Rows of one kind are of one height: the column measures one row of each kind. Rows that
// must not go stay while out of view: the one holding the focus, those the source keeps (a row
// with its menu open, say), and the first and the last, so that Tab into the column from above
// or Shift+Tab from below lands where it would if every row existed. Tab and Shift+Tab move from
// row to row in order through the whole column, making the next row and scrolling to it. Out
// of a scroll area every row exists.
class LazyRows : public QWidget {
    Q_OBJECT

public:
    struct Source {
        // The row at an index, made as a child of the column (which places it).
        std::function<QWidget *(int index)> make;
        // Which rows share a height; by default all do.
        std::function<int(int index)> kind;
        // A row to keep while it is out of view.
        std::function<bool(QWidget *row)> keep;
    };

    LazyRows(Source source, int count, int spacing = 0, QWidget *parent = nullptr);
    ~LazyRows() override;

    int count() const { return count_; }
    // The rows that exist now, by index.
    const std::map<int, QWidget *> &rows() const { return rows_; }
    // The row at an index when it exists.
    QWidget *row(int index) const;
    // The row at an index, made if need be and scrolled into view.
    QWidget *showRow(int index);
    // Makes the rows that are wanted where the column is now and drops those that are not. The
    // column does it by itself when it is shown, moved, resized or scrolled; its owner calls it
    // once it has put the column in its place, so that rows exist before anything is shown.
    void fill();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    int heightOf(int index);
    // Measures what is not measured yet and puts the rows that exist in their places.
    void placeRows();
    int indexAt(int y) const;
    QRect rowRect(int index) const;
    // The part of the column that is in view or near it, in the column's own coordinates.
    QRect wantedPart() const;
    void followScrollArea();
    QWidget *make(int index);
    int indexOf(const QWidget *widget) const;
    bool isKept(QWidget *row) const;
    void scrollTo(QWidget *row);

    Source source_;
    int count_ = 0;
    int spacing_ = 0;
    // Each row's top, and the column's height at the end.
    std::vector<int> tops_;
    std::map<int, int> heightOfKind_;
    std::map<int, QWidget *> rows_;
    QPointer<QAbstractScrollArea> area_;
    int width_ = 0;
    bool filling_ = false;
};

} // namespace ostrel
