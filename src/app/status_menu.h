#pragma once

#include <QObject>
#include <QVariant>
#include <memory>

class AccountFlow;
class CardFlow;
class CompanionDialogs;
class CompanionUpdater;
class LookupHotKey;
class PhraseStore;
class QMenu;
class StatusItem;
class TrayAbsenceNotice;

// The status menu: the tray item, its tooltip and badge, the menu rebuilt
// from the current state each time it opens, and the commands behind it
// that are not card or account flows.
class StatusMenu : public QObject {
    Q_OBJECT
public:
    StatusMenu(CardFlow &cards, AccountFlow &account, const PhraseStore &store, LookupHotKey &lookupHotKey,
               CompanionUpdater &updater, CompanionDialogs &dialogs, QObject *parent = nullptr);
    ~StatusMenu() override;

    // Creates the tray item (or only its menu) and follows the updater.
    void createItem(bool useTray);

    // Rebuilds `menu` as the tray shows it.
    void rebuild(QMenu *menu);
    void updateTooltip();
    void selectInterval(const QVariant &minutes);
    void configureInterval();
    void configureOrigin();
    void toggleLookupShortcut();
    void setUpGnomeShortcut();
    void quit();
    // Pops the status menu up at the pointer, rebuilt as from the tray.
    void showMenu();

    StatusItem *statusItem() const { return m_statusItem.get(); }

private:
    void addLookupItems(QMenu *menu);
    void setReminderInterval(int minutes);

    CardFlow &m_cards;
    AccountFlow &m_account;
    const PhraseStore &m_store;
    LookupHotKey &m_lookupHotKey;
    CompanionUpdater &m_updater;
    CompanionDialogs &m_dialogs;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<TrayAbsenceNotice> m_trayNotice; // reads m_statusItem: declared after it
};
