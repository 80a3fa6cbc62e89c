#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ostrel {

class DisclosureButton;
class PlainLabel;

// A "Details" disclosure group of the panel's status sections: the label (a chevron and
// "Details", at 10.5 in the secondary style) over selectable lines that show only while it is
// open. It starts collapsed. Object names: "details-button", and "details-content" holding the
// lines.
class DetailsDisclosure : public QWidget {
    Q_OBJECT

public:
    explicit DetailsDisclosure(QWidget *parent = nullptr);

    // A line of the content, wrapping, selectable; `monospaced` for a path.
    PlainLabel *addLine(const QString &text, bool monospaced = false);
    void clearLines();

    bool isExpanded() const;
    void setExpanded(bool expanded);

private:
    DisclosureButton *button_;
    QWidget *content_;
    QVBoxLayout *lines_;
};

} // namespace ostrel
