#include "ui/windows/SettingsView.h"

#include "app/AppModel.h"
#include "app/WindowPresenter.h"
#include "ui/panel/AppAppearance.h"
#include "ui/panel/Divider.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/ReadingOrder.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/WindowKeys.h"
#include "ui/windows/AboutSettingsPage.h"
#include "ui/windows/ApplicationsSettingsPage.h"
#include "ui/windows/GeneralSettingsPage.h"
#include "ui/windows/SettingsState.h"
#include "ui/windows/SettingsTabBar.h"
#include "ui/windows/ShortcutsSettingsPage.h"
#include "ui/windows/StorageSettingsPage.h"

#include <QHBoxLayout>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace ostrel {

SettingsView::SettingsView(const ViewEnvironment &environment, SettingsState &state,
                           QWidget *parent)
    : QWidget(parent)
    , presenter_(environment.presenter)
    , model_(environment.model)
    , state_(&state)
{
    setObjectName(QStringLiteral("settings-window"));
    setAccessibleName(QStringLiteral("Settings"));
    setFont(UiFont::body());
    setAutoFillBackground(true);
    setFixedSize(windowSize(presenter_ ? presenter_->mainScreenHeight() : std::nullopt));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    tabs_ = new SettingsTabBar;
    auto *tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(0, 6, 0, 6);
    tabRow->addStretch(1);
    tabRow->addWidget(tabs_);
    tabRow->addStretch(1);
    column->addLayout(tabRow);
    column->addWidget(new Divider(0.55));

    settingsProblem_ = new QWidget;
    settingsProblem_->setObjectName(QStringLiteral("settings-problem"));
    auto *problemRow = new QHBoxLayout(settingsProblem_);
    problemRow->setContentsMargins(20, 8, 20, 8);
    problemRow->setSpacing(8);
    problemRow->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), 13,
                                         QFont::Normal, ThemeColor::warning()),
                          0, Qt::AlignTop);
    settingsProblemText_ = new PlainLabel;
    settingsProblemText_->setObjectName(QStringLiteral("settings-problem-text"));
    settingsProblemText_->setFont(UiFont::callout());
    settingsProblemText_->setWordWrap(true);
    settingsProblemText_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problemRow->addWidget(settingsProblemText_, 1);
    column->addWidget(settingsProblem_);

    pages_ = new QStackedWidget;
    pages_->setObjectName(QStringLiteral("settings-pages"));
    general_ = new GeneralSettingsPage(environment);
    shortcuts_ = new ShortcutsSettingsPage(environment, state);
    applications_ = new ApplicationsSettingsPage(environment, state);
    storage_ = new StorageSettingsPage(environment, state, [this] { confirmReset(); });
    about_ = new AboutSettingsPage;
    const struct {
        QWidget *page;
        const char *title;
        const char *symbol;
    } pages[] = {
        {general_, "General", "gearshape"},
        {shortcuts_, "Shortcuts", "keyboard"},
        {applications_, "Applications", "app.badge"},
        {storage_, "Storage", "externaldrive"},
        {about_, "About", "info.circle"},
    };
    for (const auto &page : pages) {
        tabs_->addPage(QString::fromUtf8(page.title), QString::fromUtf8(page.symbol));
        pages_->addWidget(page.page);
    }
    column->addWidget(pages_, 1);
    connect(tabs_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);
    tabs_->setCurrentIndex(general);

    if (model_) {
        connect(model_, &AppModel::storageStatusChanged, this,
                &SettingsView::refreshSettingsProblem);
    }
    refreshSettingsProblem();

    // Escape closes it as it closes every other window of the program; while a shortcut is
    // being recorded the recorder takes Escape first and only ends the recording.
    WindowKeys::onEscape(this, [this] { window()->close(); });

    AppAppearance::attach(this, environment);
}

void SettingsView::refreshSettingsProblem()
{
    const std::optional<QString> problem =
        model_ ? model_->storageStatus().settingsProblem : std::nullopt;
    settingsProblem_->setVisible(problem.has_value());
    if (problem && settingsProblemText_->text() != *problem) {
        settingsProblemText_->setText(*problem);
    }
}

QSize SettingsView::windowSize(std::optional<double> visibleHeight)
{
    return {windowWidth, WindowPresenter::windowHeight(windowHeightCap, visibleHeight)};
}

void SettingsView::showPage(Page page)
{
    tabs_->setCurrentIndex(page);
}

void SettingsView::confirmReset()
{
    if (confirmingReset_ || !presenter_) {
        return;
    }
    confirmingReset_ = true;
    runConfirmation(this, state_, presenter_);
}

QCoro::Task<void> SettingsView::runConfirmation(QPointer<SettingsView> view,
                                                QPointer<SettingsState> state,
                                                QPointer<WindowPresenter> presenter)
{
    const bool confirmed = co_await presenter->confirmDestructiveAction(
        QStringLiteral("Reset Layouts?"),
        QStringLiteral("Erase every layout, shortcut, and setting? Your windows stay open. This "
                       "can’t be undone."),
        QStringLiteral("Reset Layouts"), view.data());
    if (view) {
        view->confirmingReset_ = false;
    }
    // The reset checks again whether it may run: much can change while the question is up.
    if (confirmed && state) {
        state->performReset();
    }
}

SettingsState &registerSettingsWindow(WindowPresenter &presenter,
                                      const ViewEnvironment &environment)
{
    auto *state =
        new SettingsState(environment.model, environment.installedApplications, &presenter);
    QPointer<SettingsState> kept(state);
    presenter.setContentFactory(QStringLiteral("settings"), [environment, kept]() -> QWidget * {
        return kept ? new SettingsView(environment, *kept) : nullptr;
    });
    return *state;
}

bool SettingsView::focusNextPrevChild(bool next)
{
    return ReadingOrder::moveFocus(this, next) || QWidget::focusNextPrevChild(next);
}

} // namespace ostrel
