// The status menu, rebuilt from the current state each time it opens, and
// the commands behind it that are not card or account flows.
#include "app/companion_delegate.h"

#include "app/companion_dialogs.h"
#include "app/menu_texts.h"
#include "app/status_item.h"
#include "card/card_panel.h"
#include "schedule/preferences.h"
#include "schedule/reminder_interval.h"
#include "updates/companion_updater.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QMenu>
#include <QShortcut>

namespace {

QString shortTime(Instant instant)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(qint64(instant * 1000.0));
    return QLocale::system().toString(when.time(), QLocale::ShortFormat);
}

QAction *addInformational(QMenu *menu, const QString &title)
{
    QAction *action = menu->addAction(title);
    action->setEnabled(false);
    return action;
}

// The key a menu item names, working while the menu is open. (A shortcut set
// on an action of a menu without a menu bar never fires.)
void bindKey(QMenu *menu, QAction *action, const QString &key)
{
    auto *shortcut = new QShortcut(QKeySequence(key), menu);
    QObject::connect(shortcut, &QShortcut::activated, action, [menu, action] {
        menu->hide();
        action->trigger();
    });
}

} // namespace

void CompanionDelegate::menuNeedsUpdate(QMenu *menu)
{
    qDeleteAll(menu->findChildren<QMenu *>(Qt::FindDirectChildrenOnly));
    qDeleteAll(menu->findChildren<QShortcut *>(Qt::FindDirectChildrenOnly));
    menu->clear();
    const QPointer<CompanionDelegate> self(this);
    auto command = [self](void (CompanionDelegate::*operation)()) {
        return [self, operation] {
            if (self)
                (self.data()->*operation)();
        };
    };
    const int minutes = int(m_schedule.interval() / 60.0);

    addInformational(menu, MenuTexts::heading());
    if (const std::optional<Instant> pausedUntil = m_schedule.pausedUntil())
        addInformational(menu, MenuTexts::pausedUntil() + shortTime(*pausedUntil));
    else
        addInformational(menu, ReminderInterval::label(minutes) + MenuTexts::nextAt() + shortTime(m_schedule.nextDue()));
    menu->addSeparator();

    addLookupItems(menu);

    QAction *show = menu->addAction(MenuTexts::withKey(MenuTexts::showPhrase(), MenuTexts::showPhraseKey()));
    bindKey(menu, show, MenuTexts::showPhraseKey());
    connect(show, &QAction::triggered, this, command(&CompanionDelegate::showPhrase));
    connect(menu->addAction(MenuTexts::showExpanded()), &QAction::triggered, this,
            command(&CompanionDelegate::showExpanded));
    connect(menu->addAction(MenuTexts::dismiss()), &QAction::triggered, this, command(&CompanionDelegate::dismiss));
    connect(menu->addAction(m_schedule.pausedUntil() ? MenuTexts::resume() : MenuTexts::pause()), &QAction::triggered,
            this, command(&CompanionDelegate::togglePause));

    QMenu *intervals = menu->addMenu(MenuTexts::reminderInterval());
    for (const int preset : ReminderInterval::presets()) {
        QAction *item = intervals->addAction(ReminderInterval::label(preset));
        item->setCheckable(true);
        item->setChecked(preset == minutes);
        item->setData(preset);
        connect(item, &QAction::triggered, this, [self, preset] {
            if (self)
                self->selectInterval(preset);
        });
    }
    intervals->addSeparator();
    const bool isPreset = ReminderInterval::presets().contains(minutes);
    QAction *custom = intervals->addAction(isPreset ? MenuTexts::custom() : MenuTexts::customWith(minutes));
    custom->setCheckable(true);
    custom->setChecked(!isPreset);
    connect(custom, &QAction::triggered, this, command(&CompanionDelegate::configureInterval));
    menu->addSeparator();

    const bool hasAccount = m_store.userID().has_value();
    connect(menu->addAction(hasAccount ? MenuTexts::switchAccount() : MenuTexts::signIn()), &QAction::triggered, this,
            command(&CompanionDelegate::signIn));
    if (hasAccount)
        connect(menu->addAction(MenuTexts::signOut()), &QAction::triggered, this, command(&CompanionDelegate::signOut));
    connect(menu->addAction(MenuTexts::openPhrasebook()), &QAction::triggered, this,
            command(&CompanionDelegate::openPhrasebook));
    connect(menu->addAction(MenuTexts::sync()), &QAction::triggered, this, command(&CompanionDelegate::refresh));
    addInformational(menu, m_store.status());
    connect(menu->addAction(MenuTexts::webAppAddress()), &QAction::triggered, this,
            command(&CompanionDelegate::configureOrigin));
    menu->addSeparator();
    m_updater->addMenuItems(menu);
    menu->addSeparator();
    QAction *quitItem = menu->addAction(MenuTexts::withKey(MenuTexts::quit(), MenuTexts::quitKey()));
    bindKey(menu, quitItem, MenuTexts::quitKey());
    connect(quitItem, &QAction::triggered, this, command(&CompanionDelegate::quit));
}

void CompanionDelegate::updateTooltip()
{
    if (!m_statusItem)
        return;
    if (const std::optional<QString> version = m_updater->availableVersion())
        m_statusItem->setToolTip(MenuTexts::updateTooltip(*version));
    else
        m_statusItem->setToolTip(MenuTexts::reminderTooltip(int(m_schedule.interval() / 60.0)));
}

void CompanionDelegate::selectInterval(const QVariant &minutes)
{
    if (minutes.typeId() == QMetaType::Int || minutes.typeId() == QMetaType::LongLong)
        setReminderInterval(minutes.toInt());
}

void CompanionDelegate::setReminderInterval(int minutes)
{
    if (!ReminderInterval::allowedMinutes(minutes))
        return;
    Preferences::standard().setInteger(QString::fromLatin1(ReminderInterval::key), minutes);
    m_schedule.setInterval(minutes * 60.0, now());
    updateTooltip();
}

void CompanionDelegate::configureInterval()
{
    const int minutes = int(m_schedule.interval() / 60.0);
    QString text = QString::number(minutes);
    QString informative = DialogTexts::intervalInformative();
    // The dialog comes back, keeping what was typed, until the entry is valid
    // or the learner cancels.
    while (std::optional<QString> answer = m_environment.dialogs->askInterval(text, informative)) {
        if (std::optional<int> parsed = ReminderInterval::parse(*answer)) {
            setReminderInterval(*parsed);
            return;
        }
        text = *answer;
        informative = DialogTexts::intervalRetry();
    }
}

void CompanionDelegate::configureOrigin()
{
    dismissCard();
    const WebOrigin current = origin();
    const std::optional<QString> answer = m_environment.dialogs->askOrigin(current.text());
    if (!answer)
        return;
    const std::optional<WebOrigin> parsed = WebAddress::parse(*answer);
    if (!parsed) {
        m_environment.dialogs->alertInvalidOrigin(DialogTexts::invalidOriginInformative());
        return;
    }
    if (*parsed == current)
        return;
    Preferences::standard().setValue(QString::fromLatin1(PreferenceKeys::webOrigin), parsed->text());
    clearSession(true);
}

void CompanionDelegate::togglePause()
{
    if (!m_schedule.pausedUntil()) {
        m_schedule.pause(now());
        if (m_panel)
            m_panel->hide();
    } else {
        m_schedule.resume(now());
    }
    const QString key = QString::fromLatin1(PreferenceKeys::pausedUntil);
    if (const std::optional<Instant> until = m_schedule.pausedUntil())
        Preferences::standard().setValue(key, QDateTime::fromMSecsSinceEpoch(qint64(*until * 1000.0)));
    else
        Preferences::standard().remove(key);
}

void CompanionDelegate::quit() { QCoreApplication::quit(); }
