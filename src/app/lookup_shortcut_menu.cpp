// The status menu's lookup items: "Look up a phrase…" with the key the
// desktop bound, the shortcut switch, and why the shortcut is not working
// (or the offer to set it up in GNOME's own settings); and the menu popped
// up without a tray.
#include "app/status_menu.h"

#include "app/account_flow.h"
#include "app/companion_dialogs.h"
#include "app/menu_texts.h"
#include "app/status_item.h"
#include "lookup/lookup_hot_key.h"

#include <QCursor>
#include <QMenu>

void StatusMenu::addLookupItems(QMenu *menu)
{
    const LookupHotKey &hotKey = m_lookupHotKey;
    const QString key = hotKey.boundKey();
    connect(menu->addAction(MenuTexts::withKey(MenuTexts::lookUp(), hotKey.isRegistered() ? key : QString())),
            &QAction::triggered, &m_account, &AccountFlow::showLookup);
    QAction *shortcut = menu->addAction(MenuTexts::useShortcut(key));
    shortcut->setCheckable(true);
    shortcut->setChecked(hotKey.enabled());
    connect(shortcut, &QAction::triggered, this, &StatusMenu::toggleLookupShortcut);

    QString reason;
    switch (hotKey.availability()) {
    case LookupHotKey::Availability::off:
    case LookupHotKey::Availability::registered:
        return;
    case LookupHotKey::Availability::gnomeSetupOffered:
        connect(menu->addAction(MenuTexts::setUpGnomeShortcut()), &QAction::triggered, this,
                &StatusMenu::setUpGnomeShortcut);
        return;
    case LookupHotKey::Availability::waiting:
        reason = MenuTexts::shortcutWaiting();
        break;
    case LookupHotKey::Availability::taken:
        reason = MenuTexts::shortcutUnavailable();
        break;
    case LookupHotKey::Availability::declined:
        reason = MenuTexts::shortcutDeclined();
        break;
    case LookupHotKey::Availability::unassigned:
        reason = MenuTexts::shortcutUnassigned();
        break;
    case LookupHotKey::Availability::unsupported:
        reason = MenuTexts::shortcutUnsupported();
        break;
    }
    menu->addAction(reason)->setEnabled(false);
}

void StatusMenu::toggleLookupShortcut()
{
    m_lookupHotKey.toggle();
}

void StatusMenu::setUpGnomeShortcut()
{
    if (m_dialogs.confirmGnomeShortcut())
        m_lookupHotKey.setUpGnomeShortcut();
}

void StatusMenu::showMenu()
{
    if (m_statusItem)
        m_statusItem->menu()->popup(QCursor::pos());
}
