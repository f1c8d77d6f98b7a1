#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <memory>

class QDBusServiceWatcher;
class QSystemTrayIcon;
class QTimer;

// The companion's item in the panel's tray: an icon, a tooltip, a badge for
// the title text (a tray has no title) and the menu rebuilt before it opens.
// The tray icon appears once a tray exists, also when the panel starts after
// the companion.
class StatusItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY changed)
    Q_PROPERTY(QString toolTip READ toolTip NOTIFY changed)
public:
    // The tray icon shows `image` from its first appearance.
    StatusItem(bool useTray, const QIcon &image, QObject *parent = nullptr);
    ~StatusItem() override;

    QMenu *menu() { return &m_menu; }
    QString title() const { return m_title; }
    QString toolTip() const { return m_toolTip; }
    QIcon icon() const { return m_icon; }
    bool trayShown() const;

    void setImage(const QIcon &icon);
    void setTitle(const QString &title); // " •" draws the update badge
    void setToolTip(const QString &toolTip);

Q_SIGNALS:
    void changed();
    // The menu is about to open: rebuild it now.
    void menuNeedsUpdate(QMenu *menu);

private:
    void createTrayIconWhenAvailable();
    void createTrayIcon();
    void refreshIcon();

    QMenu m_menu;
    QIcon m_image;
    QIcon m_icon;
    QString m_title;
    QString m_toolTip;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QDBusServiceWatcher *m_watcher = nullptr;
    QTimer *m_trayPoll = nullptr;
};
