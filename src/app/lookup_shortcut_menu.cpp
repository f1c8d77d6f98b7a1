// The status menu's lookup items: "Look up a phrase…" with the key the
// desktop bound, the shortcut switch, and why the shortcut is not working
// (or the offer to set it up in GNOME's own settings); and the menu popped
// up without a tray.
#include "app/companion_delegate.h"

#include "app/menu_texts.h"
#include "app/status_item.h"
#include "lookup/lookup_hot_key.h"

#include <QCursor>
#include <QMenu>

void CompanionDelegate::addLookupItems(QMenu *menu)
{
    const QPointer<CompanionDelegate> self(this);
    const auto command = [this, self](QAction *action, void (CompanionDelegate::*operation)()) {
        connect(action, &QAction::triggered, this, [self, operation] {
            if (self)
                (self.data()->*operation)();
        });
    };
    const LookupHotKey &hotKey = *m_lookupHotKey;
    const QString key = hotKey.boundKey();
    command(menu->addAction(MenuTexts::withKey(MenuTexts::lookUp(), hotKey.isRegistered() ? key : QString())),
            &CompanionDelegate::showLookup);
    QAction *shortcut = menu->addAction(MenuTexts::useShortcut(key));
    shortcut->setCheckable(true);
    shortcut->setChecked(LookupHotKey::enabled());
    command(shortcut, &CompanionDelegate::toggleLookupShortcut);

    QString reason;
    switch (hotKey.availability()) {
    case LookupHotKey::Availability::off:
    case LookupHotKey::Availability::registered:
        return;
    case LookupHotKey::Availability::gnomeSetupOffered:
        command(menu->addAction(MenuTexts::setUpGnomeShortcut()), &CompanionDelegate::setUpGnomeShortcut);
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

void CompanionDelegate::toggleLookupShortcut() { m_lookupHotKey->toggle(); }

void CompanionDelegate::setUpGnomeShortcut()
{
    if (m_environment.dialogs->confirmGnomeShortcut())
        m_lookupHotKey->setUpGnomeShortcut();
}

void CompanionDelegate::showMenu()
{
    if (m_statusItem)
        m_statusItem->menu()->popup(QCursor::pos());
}
