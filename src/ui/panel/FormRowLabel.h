#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace ostrel {

class InfoButton;

// The label of one form row: the title (in the inherited font), an information button beside it
// when `info` is given (read as "More information about " and the title), and a secondary
// subtitle under it that wraps. Object names: "form-row-title", "info-button",
// "form-row-subtitle".
class FormRowLabel : public QWidget {
    Q_OBJECT

public:
    FormRowLabel(const QString &title, std::optional<QString> subtitle = std::nullopt,
                 std::optional<QString> info = std::nullopt, QWidget *parent = nullptr);

    void setTitle(const QString &title);
    // Changes the subtitle of a label made with one.
    void setSubtitle(const QString &subtitle);

    QLabel *titleLabel() const { return title_; }

private:
    QLabel *title_;
    QLabel *subtitle_ = nullptr;
    InfoButton *info_ = nullptr;
};

} // namespace ostrel
