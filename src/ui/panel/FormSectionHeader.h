#pragma once

#include "ui/panel/ThemeColor.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace ostrel {

class GroupedSurface;
class InfoButton;

// The header of one form section: the title in the headline style, announced as a header and
// drawn in `tint` (the primary colour when none), an information button beside it when `info`
// is given, and a secondary detail line under it that wraps. Object names:
// "form-section-title", "info-button", "form-section-detail".
class FormSectionHeader : public QWidget {
    Q_OBJECT

public:
    FormSectionHeader(const QString &title, std::optional<QString> detail = std::nullopt,
                      std::optional<QString> info = std::nullopt,
                      std::optional<ThemeColor> tint = std::nullopt, QWidget *parent = nullptr);

    void setTitle(const QString &title);

    QLabel *detailLabel() const { return detail_; }
    InfoButton *infoButton() const { return info_; }

private:
    QLabel *title_;
    QLabel *detail_ = nullptr;
    InfoButton *info_ = nullptr;
};

// A form section: its header (when it has one) above a grouped surface, then a footer line when
// there is one, `spacing` apart.
QWidget *headedSection(FormSectionHeader *header, GroupedSurface *surface, int spacing,
                       QWidget *footer = nullptr, QWidget *parent = nullptr);

} // namespace ostrel
