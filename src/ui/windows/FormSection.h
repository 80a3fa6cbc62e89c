#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ostrel {

class GroupedSurface;

// One section of a grouped form: an optional header above a rounded surface whose rows sit
// with the form's row padding and are separated by hairlines.
class FormSection : public QWidget {
    Q_OBJECT

public:
    explicit FormSection(QWidget *header = nullptr, QWidget *parent = nullptr);

    // Adds a row, below a hairline when it is not the first. Gives the row's place in the
    // section: hiding it hides the row and its hairline.
    QWidget *addRow(QWidget *row);

    // A row's place as addRow makes it, for a column of rows that the section holds as one (a
    // LazyRows, which makes its rows as they scroll in): the row with the form's padding, below
    // a hairline unless it is the first.
    static QWidget *place(QWidget *row, bool first);
    // Adds such a column as it is, as the section's only content.
    void addPlaces(QWidget *column);

private:
    GroupedSurface *surface_;
    int rows_ = 0;
};

// The scrolling column of a grouped form: sections one below the other, the window showing
// through, with overlay scroll bars in the trailing margin.
class FormColumn : public QWidget {
    Q_OBJECT

public:
    explicit FormColumn(QWidget *parent = nullptr);

    void addSection(QWidget *section);
    // Removes and deletes every section.
    void clear();

private:
    QVBoxLayout *sections_;
};

} // namespace ostrel
