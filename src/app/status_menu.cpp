// The status menu, rebuilt from the current state each time it opens, and
// the commands behind it that are not card or account flows.
#include "app/status_menu.h"

#include "app/account_flow.h"
#include "app/card_flow.h"
#include "app/companion_dialogs.h"
#include "app/instant_time.h"
#include "app/menu_texts.h"
#include "app/status_item.h"
#include "app/tray_absence_notice.h"
#include "card/brand_assets.h"
#include "library/phrase_store.h"
#include "lookup/lookup_hot_key.h"
#include "schedule/reminder_interval.h"
#include "updates/companion_updater.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QLocale>
#include <QMenu>
#include <QShortcut>

using namespace Qt::StringLiterals;

QString MenuTexts::reminderTooltip(int minutes)
{
    return u"Pelora · Your saved Malay, "_s + ReminderInterval::label(minutes).toLower();
}

namespace {

QString shortTime(Instant instant)
{
    return QLocale::system().toString(InstantTime::toDateTime(instant).time(), QLocale::ShortFormat);
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

StatusMenu::StatusMenu(CardFlow &cards, AccountFlow &account, const PhraseStore &store, LookupHotKey &lookupHotKey,
                       CompanionUpdater &updater, CompanionDialogs &dialogs, QObject *parent)
    : QObject(parent),
      m_cards(cards),
      m_account(account),
      m_store(store),
      m_lookupHotKey(lookupHotKey),
      m_updater(updater),
      m_dialogs(dialogs)
{
}

StatusMenu::~StatusMenu() = default;

void StatusMenu::createItem(bool useTray)
{
    m_statusItem = std::make_unique<StatusItem>(useTray, BrandAssets::menuBarIcon());
    m_statusItem->setToolTip(MenuTexts::reminderTooltip(int(m_cards.reminderInterval().count())));
    connect(m_statusItem.get(), &StatusItem::menuNeedsUpdate, this, &StatusMenu::rebuild);
    if (useTray) {
        StatusItem *item = m_statusItem.get();
        m_trayNotice =
            std::make_unique<TrayAbsenceNotice>(QDBusConnection::sessionBus(), [item] { return item->trayShown(); });
    }
    connect(&m_updater, &CompanionUpdater::availabilityChanged, this, [this](const std::optional<QString> &version) {
        m_statusItem->setTitle(version ? MenuTexts::updateBadge() : QString());
        updateTooltip();
    });
}

void StatusMenu::rebuild(QMenu *menu)
{
    qDeleteAll(menu->findChildren<QMenu *>(Qt::FindDirectChildrenOnly));
    qDeleteAll(menu->findChildren<QShortcut *>(Qt::FindDirectChildrenOnly));
    menu->clear();
    const int minutes = int(m_cards.reminderInterval().count());
    const CardSchedule &schedule = m_cards.schedule();

    addInformational(menu, MenuTexts::heading());
    if (const std::optional<Instant> pausedUntil = schedule.pausedUntil())
        addInformational(menu, MenuTexts::pausedUntil() + shortTime(*pausedUntil));
    else
        addInformational(menu, ReminderInterval::label(minutes) + MenuTexts::nextAt() + shortTime(schedule.nextDue()));
    menu->addSeparator();

    addLookupItems(menu);

    QAction *show = menu->addAction(MenuTexts::withKey(MenuTexts::showPhrase(), MenuTexts::showPhraseKey()));
    bindKey(menu, show, MenuTexts::showPhraseKey());
    connect(show, &QAction::triggered, &m_cards, &CardFlow::showPhrase);
    connect(menu->addAction(MenuTexts::showExpanded()), &QAction::triggered, &m_cards, &CardFlow::showExpanded);
    connect(menu->addAction(MenuTexts::dismiss()), &QAction::triggered, &m_cards, &CardFlow::dismiss);
    connect(menu->addAction(schedule.pausedUntil() ? MenuTexts::resume() : MenuTexts::pause()), &QAction::triggered,
            &m_cards, &CardFlow::togglePause);

    QMenu *intervals = menu->addMenu(MenuTexts::reminderInterval());
    for (const int preset : ReminderInterval::presets()) {
        QAction *item = intervals->addAction(ReminderInterval::label(preset));
        item->setCheckable(true);
        item->setChecked(preset == minutes);
        item->setData(preset);
        connect(item, &QAction::triggered, this, [this, preset] { selectInterval(preset); });
    }
    intervals->addSeparator();
    const bool isPreset = ReminderInterval::presets().contains(minutes);
    QAction *custom = intervals->addAction(isPreset ? MenuTexts::custom() : MenuTexts::customWith(minutes));
    custom->setCheckable(true);
    custom->setChecked(!isPreset);
    connect(custom, &QAction::triggered, this, &StatusMenu::configureInterval);
    menu->addSeparator();

    const bool hasAccount = m_store.userID().has_value();
    connect(menu->addAction(hasAccount ? MenuTexts::switchAccount() : MenuTexts::signIn()), &QAction::triggered,
            &m_account, &AccountFlow::signIn);
    if (hasAccount)
        connect(menu->addAction(MenuTexts::signOut()), &QAction::triggered, &m_account, &AccountFlow::signOut);
    connect(menu->addAction(MenuTexts::openPhrasebook()), &QAction::triggered, &m_cards, &CardFlow::openPhrasebook);
    connect(menu->addAction(MenuTexts::sync()), &QAction::triggered, &m_account, &AccountFlow::refresh);
    addInformational(menu, m_store.status());
    connect(menu->addAction(MenuTexts::webAppAddress()), &QAction::triggered, this, &StatusMenu::configureOrigin);
    menu->addSeparator();
    m_updater.addMenuItems(menu);
    menu->addSeparator();
    QAction *quitItem = menu->addAction(MenuTexts::withKey(MenuTexts::quit(), MenuTexts::quitKey()));
    bindKey(menu, quitItem, MenuTexts::quitKey());
    connect(quitItem, &QAction::triggered, this, &StatusMenu::quit);
}

void StatusMenu::updateTooltip()
{
    if (!m_statusItem)
        return;
    if (const std::optional<QString> version = m_updater.availableVersion())
        m_statusItem->setToolTip(MenuTexts::updateTooltip(*version));
    else
        m_statusItem->setToolTip(MenuTexts::reminderTooltip(int(m_cards.reminderInterval().count())));
}

void StatusMenu::selectInterval(const QVariant &minutes)
{
    if (minutes.typeId() == QMetaType::Int || minutes.typeId() == QMetaType::LongLong)
        setReminderInterval(minutes.toInt());
}

void StatusMenu::setReminderInterval(int minutes)
{
    if (!ReminderInterval::allowedMinutes(minutes))
        return;
    m_cards.setReminderInterval(std::chrono::minutes(minutes));
    updateTooltip();
}

void StatusMenu::configureInterval()
{
    QString text = QString::number(m_cards.reminderInterval().count());
    QString informative = DialogTexts::intervalInformative();
    // The dialog comes back, keeping what was typed, until the entry is valid
    // or the learner cancels.
    while (std::optional<QString> answer = m_dialogs.askInterval(text, informative)) {
        if (std::optional<int> parsed = ReminderInterval::parse(*answer)) {
            setReminderInterval(*parsed);
            return;
        }
        text = *answer;
        informative = DialogTexts::intervalRetry();
    }
}

void StatusMenu::configureOrigin()
{
    m_cards.dismiss();
    const WebOrigin current = m_account.origin();
    const std::optional<QString> answer = m_dialogs.askOrigin(current.text());
    if (!answer)
        return;
    const std::optional<WebOrigin> parsed = WebAddress::parse(*answer);
    if (!parsed) {
        m_dialogs.alertInvalidOrigin(DialogTexts::invalidOriginInformative());
        return;
    }
    if (*parsed != current)
        m_account.changeOrigin(*parsed);
}

void StatusMenu::quit()
{
    QCoreApplication::quit();
}
